# Test helpers shared by every tests/ folder.
#
#   add_unit_test(name SOURCES ... LIBS ...)
# Native build: plain GoogleTest binary. Windows build: cross-compiled and run
# under Wine (through CMAKE_CROSSCOMPILING_EMULATOR) with the test display.

if(WIN32)
  set(TEST_LIBS "${DEPS_PREFIX}/lib/libgtest_main.a" "${DEPS_PREFIX}/lib/libgtest.a")

  # Xvfb and the Wine prefixes come up once for the whole run.
  add_test(NAME test_display_start COMMAND "${CMAKE_SOURCE_DIR}/tools/test-display.sh" start "${CMAKE_BINARY_DIR}")
  add_test(NAME test_display_stop COMMAND "${CMAKE_SOURCE_DIR}/tools/test-display.sh" stop "${CMAKE_BINARY_DIR}")
  set_tests_properties(test_display_start PROPERTIES FIXTURES_SETUP display TIMEOUT 300)
  set_tests_properties(test_display_stop PROPERTIES FIXTURES_CLEANUP display)
else()
  find_package(GTest REQUIRED)
  set(TEST_LIBS GTest::gtest_main GTest::gtest)
endif()

function(add_unit_test name)
  cmake_parse_arguments(T "WIN32_PREFIX" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${TEST_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED display)
    if(T_WIN32_PREFIX)
      # Runs in the prefix that shows the program a 32-bit Windows.
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "TEST_WINE_ARCH=win32")
    endif()
  endif()
endfunction()
