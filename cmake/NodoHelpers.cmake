# nodo_expose(TARGET FOLDER): the target's headers are reached as "FOLDER/Name.h" by the target itself
# and by whatever links it, and by nothing else. Each folder of src/ gets an include root of its own
# in the build tree (a link named after the folder), so a header of a layer above is simply not
# there for a library below it, and such an include fails to build.
function(nodo_expose target folder)
  string(REPLACE "/" "_" slot ${folder})
  set(root ${CMAKE_BINARY_DIR}/include/${slot})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# nodo_gtest(NAME SOURCES a.cpp ... LIBS lib ... [GUI] [X11] [XROOT])
# GUI tests run on the offscreen platform; X11 tests need the real display that run-tests provides.
# XROOT tests use that display through Xlib alone (no QApplication): they share X11's lock.
# Both get a main() that makes the QApplication (tests/support).
function(nodo_gtest name)
  cmake_parse_arguments(T "GUI;X11;XROOT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(T_GUI OR T_X11)
    target_link_libraries(${name} PRIVATE nodo_gui_test_main)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(env "NODO_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data" "NODO_APP_DIR=${NODO_APP_DIR}"
          "NODO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(T_X11)
    list(APPEND env "QT_QPA_PLATFORM=xcb")
  endif()
  # The test environment goes through env(1) as the test's launcher: a list handed to
  # gtest_discover_tests' PROPERTIES would be split into separate properties.
  # A test never reads the screen of the developer's own Wayland session: the tests that want the
  # portal set the session type themselves, on a private bus.
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
                        "/usr/bin/env;-u;WAYLAND_DISPLAY;-u;XDG_SESSION_TYPE;${env}")
  if(T_X11 OR T_XROOT)
    # Tests on the one X server show windows and change the root window: never two at a time.
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES RESOURCE_LOCK x11_display)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# nodo_bench(NAME SOURCES ... LIBS ...)
function(nodo_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
