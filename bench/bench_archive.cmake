add_executable(bench_archive ${CMAKE_CURRENT_LIST_DIR}/bench_archive.cpp)
target_link_libraries(bench_archive PRIVATE platform_archive Qt6::Core)
