# CSV import of five years and export of one year through the data window's
# CSV routines and the store run.
if(TARGET talvik_dataview)
    add_executable(bench_csv ${CMAKE_CURRENT_LIST_DIR}/bench_csv.cpp)
    target_link_libraries(bench_csv PRIVATE talvik_dataview talvik_store Qt6::Widgets)
endif()
