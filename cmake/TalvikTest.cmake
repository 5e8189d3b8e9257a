# talvik_add_test(<name> LABEL <label> SOURCES <files...> LIBS <targets...>)
# One test executable per module; CTest runs it under the module's label with a
# headless Qt platform so that window code needs no display. The shared main
# creates a QApplication before the tests run.
function(talvik_add_test name)
    cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} talvik_testmain GTest::gmock)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS "${T_LABEL}"
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TALVIK_TEST_ARTIFACTS=${CMAKE_BINARY_DIR}/artifacts;TALVIK_SOURCE_DIR=${CMAKE_SOURCE_DIR};TMPDIR=${CMAKE_BINARY_DIR}/tmp")
    # Temporary files of the tests land under the build folder, never in /tmp:
    # each test program makes a folder of its run there and removes it at its
    # end. The path stays short: socket names and printed file names have
    # limits of their own.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/tmp)
endfunction()
