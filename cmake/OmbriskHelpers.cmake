# One helper for libraries, one for tests, so each folder's CMakeLists.txt stays a short list.

function(ombrisk_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(OMBRISK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Each product target's files are built as one file (CMake's unity build): the standard library's
# and Qt's headers take a second or more a file to parse, most of a fresh build's time. On 2
# processors one file a target built 4 s sooner than 16 files a batch (38 s against 42 s); a
# batch size suits rebuilding while editing better (-DOMBRISK_UNITY_BATCH_SIZE=4).
# Files with per-function target attributes, or their own flags, are built alone.
set(OMBRISK_UNITY_BATCH_SIZE 0 CACHE STRING "Product files built as one (0: each target as one)")
function(ombrisk_unity target)
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${OMBRISK_UNITY_BATCH_SIZE})
  # A private type inside a file that is now included, not compiled, looks to g++ like a header's.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  endif()
endfunction()

# ombrisk_library(name SOURCES ... [ALONE sources] [DEPS public libs] [PRIVATE_DEPS private libs])
# ALONE: sources compiled on their own, outside the unity build.
# Core code is numeric: -ffp-contract=off keeps fused multiply-adds from changing results.
function(ombrisk_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;ALONE;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES} ${ARG_ALONE})
  if(ARG_ALONE)
    set_source_files_properties(${ARG_ALONE} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  target_compile_options(${name} PRIVATE -ffp-contract=off)
  ombrisk_unity(${name})
  # The fuzz build gives libFuzzer the libraries' edges and comparisons, not only the entry points';
  # without a fuzzer linked in (tests, programs) the hooks fall back to the sanitizer's no-ops.
  if(OMBRISK_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link
                           -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/coverage-ignorelist.txt)
  endif()
  ombrisk_warnings(${name})
endfunction()

# Each test case its own CTest test (each reported, skipped cases as skipped), or each test program
# one: a sanitizer build's programs take a tenth of a second to start, more than most cases take.
option(OMBRISK_CTEST_PER_CASE "One CTest test per test case (OFF: one per test program)" ON)

# ombrisk_test(name SOURCES ... DEPS ...): a GoogleTest executable registered with CTest.
function(ombrisk_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  ombrisk_test_settings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  # GoogleTest's header takes 2-3 s a file to parse (Qt's and the windows' more), more than most
  # test files take to compile: a few files are built as one.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 6)
  if(OMBRISK_CTEST_PER_CASE)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600)
  endif()
endfunction()

# What every test target is built with. The code under test is built as it ships; the tests' own
# code at -O1, which compiles in half the time of -O3 and runs the suite as fast.
set(OMBRISK_TEST_OPTIMIZATION "-O1" CACHE STRING "How the tests' own code is optimised")
function(ombrisk_test_settings target)
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main)
  target_compile_options(${target} PRIVATE -ffp-contract=off ${OMBRISK_TEST_OPTIMIZATION})
  target_compile_definitions(${target} PRIVATE OMBRISK_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  ombrisk_warnings(${target})
  # At -O1 g++ 12 no longer sees that a replaced operator delete's free() matches its operator
  # new's malloc() (png_allocation_test), a false report the file at -O3 does not get.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-mismatched-new-delete)
  endif()
endfunction()
