if(TARGET talvik_store)
    add_executable(bench_store ${CMAKE_CURRENT_LIST_DIR}/bench_store.cpp)
    target_link_libraries(bench_store PRIVATE talvik_store Qt6::Widgets)
endif()
