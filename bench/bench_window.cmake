# The data window on the 30 customers x 5 years store: a click on a year node
# until the table is painted, and the table fill alone.
if(TARGET talvik_dataview AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/bench_window.cpp)
    add_executable(bench_window ${CMAKE_CURRENT_LIST_DIR}/bench_window.cpp)
    target_link_libraries(bench_window PRIVATE talvik_dataview Qt6::Widgets Qt6::Test)
endif()
