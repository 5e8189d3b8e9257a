# Data set open and save on a synthetic store of 30 customers x 5 years.
if(TARGET talvik_dataview AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/bench_dataset.cpp)
    add_executable(bench_dataset ${CMAKE_CURRENT_LIST_DIR}/bench_dataset.cpp)
    target_link_libraries(bench_dataset PRIVATE talvik_dataview Qt6::Widgets)
endif()
