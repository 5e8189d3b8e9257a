# talvik_add_test(<name> LABEL <label> SOURCES <files...> LIBS <targets...>)
# With TALVIK_TESTS off the program is defined but left out of the build and
# of CTest.
# One test executable per module; CTest runs it under the module's label with a
# headless Qt platform so that window code needs no display. The shared main
# creates a QApplication before the tests run.
function(talvik_add_test name)
    cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${TALVIK_TEST_ONLY} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} talvik_testmain GTest::gmock)
    if(NOT TALVIK_TESTS)
        # Defined for the module's own settings on it, never built or run.
        return()
    endif()
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
    talvik_add_x11_run(${name})
endfunction()

# The tests that show windows to a person run a second time on a real X
# server with a window manager, where modality, stacking, focus and the
# window manager's hints behave as a user meets them. Each such run gets an
# X server (Xvfb) and openbox of its own (cmake/x11run.sh), so that runs in
# parallel cannot take each other's focus.
set(TALVIK_X11_TESTS
    platform_forms_wm_tests
    platform_forms_accessible_tests
    platform_win_dialog_tests
    talvik_app_startmode_tests
    talvik_dataview_tests
    talvik_settings_tests
    talvik_importcustom_tests
    talvik_importcustom_modal_tests
    zobase7_ryxcombo_tests
    talvik_setting_tests
    talvik_link_tests
    talvik_dataview_service_tests
    pickwell_combo_tests
    pickwell_page_tests
    lumafold_page_tests
    talvik_app_frames_tests
    talvik_replug_tests
    platform_forms_tests
    controls_about_tests
    talvik_app_tests
    pickwell_tests
    controls_page_tests
    designer_tests
    lumafold_tests
    platform_win_tests
    pickwell_dragdrop_tests
    platform_win_dragdrop_tests
    zobase7_number_tests
    platform_print_tests
    talvik_dataview_durability_tests
    talvik_accessibility_tests)

# Of those, the runs that read their windows over the accessibility bus: the
# runner starts a session bus and the AT-SPI bus beside the X server.
set(TALVIK_ATSPI_TESTS
    talvik_accessibility_tests
    platform_forms_accessible_tests)

# Adds <name>_x11: the same program with the same environment, except the
# xcb platform, its screenshots in their own folder and the label x11 added.
function(talvik_add_x11_run name)
    if(NOT name IN_LIST TALVIK_X11_TESTS)
        return()
    endif()
    set(runner_options)
    if(name IN_LIST TALVIK_ATSPI_TESTS)
        set(runner_options --atspi)
    endif()
    add_test(NAME ${name}_x11 COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/x11run.sh ${runner_options} ${CMAKE_BINARY_DIR}/x11run
                                      $<TARGET_FILE:${name}>)
    foreach(property LABELS TIMEOUT ENVIRONMENT)
        get_test_property(${name} ${property} value)
        set(${property} "${value}")
    endforeach()
    list(TRANSFORM ENVIRONMENT REPLACE "^QT_QPA_PLATFORM=.*$" "QT_QPA_PLATFORM=xcb")
    list(TRANSFORM ENVIRONMENT REPLACE "^TALVIK_TEST_ARTIFACTS=(.*)$" "TALVIK_TEST_ARTIFACTS=\\1/x11")
    list(APPEND LABELS x11)
    # Alone on the machine: the window manager's placing, activation and
    # pointer delivery are timed by the X server, and a machine loaded by the
    # other tests delays them past what a person would ever meet.
    set_tests_properties(${name}_x11 PROPERTIES LABELS "${LABELS}" TIMEOUT ${TIMEOUT} ENVIRONMENT "${ENVIRONMENT}"
                                                RUN_SERIAL TRUE)
endfunction()
