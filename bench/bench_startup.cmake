# Main window start-up in a fresh process, until the window is painted.
if(TARGET talvik_app AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
    add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
    target_link_libraries(bench_startup PRIVATE talvik_app Qt6::Widgets)
    target_compile_definitions(bench_startup PRIVATE TALVIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    # The libraries the program loads at start-up, beside it.
    add_dependencies(bench_startup portwick lumafold zobase7)
endif()
