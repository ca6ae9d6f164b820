# kelo_library(NAME folder-name DEPS ...): one static library from every .cpp/.h in the folder.
function(kelo_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h"
       "${CMAKE_CURRENT_SOURCE_DIR}/*.qrc")
  list(FILTER sources INCLUDE REGEX ".*")
  if(NOT sources)
    # An empty layer still exists as a target, so that the layers above can name it.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# kelo_test_folder(NAME [GUI] [UMOCKDEV] LIBS ... [PROPERTIES ...]): one GoogleTest program from every .cpp in
# the folder, plus the shared test support; GUI gives it a QApplication (offscreen) instead of a
# QCoreApplication. Every test runs with the offscreen platform and knows where
# its fixtures and the shared fixture folder are. UMOCKDEV links the umockdev testbed library and
# lists and runs the program under umockdev-wrapper, whose preloaded library sends what the
# process does with /sys, /dev and udev's netlink socket to the testbed the test makes.
# PROPERTIES are further test properties of every test in the program.
function(kelo_test_folder name)
  cmake_parse_arguments(ARG "GUI;UMOCKDEV" "" "LIBS;PROPERTIES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  if(ARG_GUI)
    set(test_main kelo_test_main_gui)
  else()
    set(test_main kelo_test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE ${test_main} ${ARG_LIBS} kelo_test_support GTest::gtest GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    KELO_TEST_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures"
    KELO_SHARED_FIXTURES="${PROJECT_SOURCE_DIR}/../shared/fixtures"
    KELO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KELO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(asan_options "detect_leaks=1")
  if(ARG_UMOCKDEV)
    # The preloaded library comes before the sanitizer's runtime, which the sanitizer would
    # refuse; the listing run does not get the tests' environment, so the wrapper sets it.
    set(asan_options "${asan_options}:verify_asan_link_order=0")
    target_link_libraries(${name} PRIVATE kelo_test_umockdev)
    # gtest_discover_tests reads the property when it is called: set it first.
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
                          "/usr/bin/env;ASAN_OPTIONS=${asan_options};${KELO_UMOCKDEV_WRAPPER}")
  endif()
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=${asan_options};TSAN_OPTIONS=second_deadlock_stack=1"
               TIMEOUT 300 ${ARG_PROPERTIES})
endfunction()
