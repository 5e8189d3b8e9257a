# RD transfer of one month against the stand-in device on a pty.
if(TARGET talvik_link AND TARGET talvik_store AND EXISTS ${CMAKE_SOURCE_DIR}/tools/devicesim/CMakeLists.txt)
    add_executable(bench_link ${CMAKE_CURRENT_LIST_DIR}/bench_link.cpp)
    target_link_libraries(bench_link PRIVATE talvik_store talvik_link devicesim Qt6::Widgets)
endif()
