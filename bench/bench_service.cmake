# The service-mode window: a year table from node click to painted, the
# annotated year graph from a cached table, and the start-up import of five
# years of a dedicated CSV with its count file.
if(TARGET talvik_dataview_service)
    add_executable(bench_service ${CMAKE_CURRENT_LIST_DIR}/bench_service.cpp)
    target_link_libraries(bench_service PRIVATE talvik_dataview_service talvik_store platform_textdb Qt6::Widgets)
endif()
