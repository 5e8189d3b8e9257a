# Redraw of the demand graph (day, month, year) and preview and PDF of the
# data window's report for a month and a year table.
if(TARGET talvik_dataview)
    add_executable(bench_graph ${CMAKE_CURRENT_LIST_DIR}/bench_graph.cpp)
    target_link_libraries(bench_graph PRIVATE talvik_dataview talvik_store platform_textdb Qt6::Widgets)
endif()
