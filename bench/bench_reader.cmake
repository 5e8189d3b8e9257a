# The reader chain over every customer of a talvik-devicesim started apart.
if(TARGET talvik_link AND TARGET talvik_store AND EXISTS ${CMAKE_SOURCE_DIR}/tools/devicesim/CMakeLists.txt)
    add_executable(bench_reader ${CMAKE_CURRENT_LIST_DIR}/bench_reader.cpp)
    target_link_libraries(bench_reader PRIVATE talvik_store talvik_link Qt6::Widgets)
endif()
