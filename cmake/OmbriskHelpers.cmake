# One helper for libraries, one for tests, so each folder's CMakeLists.txt stays a short list.

function(ombrisk_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(OMBRISK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# ombrisk_library(name SOURCES ... [DEPS public libs] [PRIVATE_DEPS private libs])
# Core code is numeric: -ffp-contract=off keeps fused multiply-adds from changing results.
function(ombrisk_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  target_compile_options(${name} PRIVATE -ffp-contract=off)
  # The fuzz build gives libFuzzer the libraries' edges and comparisons, not only the entry points';
  # without a fuzzer linked in (tests, programs) the hooks fall back to the sanitizer's no-ops.
  if(OMBRISK_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link
                           -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/coverage-ignorelist.txt)
  endif()
  ombrisk_warnings(${name})
endfunction()

# ombrisk_test(name SOURCES ... DEPS ...): a GoogleTest executable registered with CTest.
function(ombrisk_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_options(${name} PRIVATE -ffp-contract=off)
  target_compile_definitions(${name} PRIVATE OMBRISK_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  ombrisk_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# ombrisk_qt_precompiled_headers(target): Qt's widget headers parsed once for the whole target
# instead of once per file, the most of a fresh build's time in the Qt code. Left out behind a
# compiler cache, which does not cache what a precompiled header goes into unless told to be sloppy.
option(OMBRISK_PCH "Precompile Qt's headers for the Qt targets (off behind a compiler launcher)" ON)
function(ombrisk_qt_precompiled_headers target)
  if(OMBRISK_PCH AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    target_precompile_headers(${target} PRIVATE <QtWidgets/QWidget> <QtWidgets/QPushButton> <QtWidgets/QLabel>
                              <QtGui/QImage> <QtGui/QPainter> <QtCore/QString> <QtCore/QTimer>)
  endif()
endfunction()
