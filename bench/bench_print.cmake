# Drawing replay and PDF output of the print stand-ins.
add_executable(bench_print ${CMAKE_CURRENT_LIST_DIR}/bench_print.cpp)
target_link_libraries(bench_print PRIVATE platform_print Qt6::Widgets)
