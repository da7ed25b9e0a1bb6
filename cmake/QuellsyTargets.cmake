# Shared build settings and the three helpers every folder uses:
#   quellsy_library(NAME SOURCES ... LINKS ...)      one static library per source folder
#   quellsy_test(NAME SOURCES ... LINKS ...)         one GoogleTest binary per test folder
#   quellsy_fuzzer(NAME SOURCES ... LINKS ...)       one libFuzzer binary, seeds in fuzz/corpus/NAME

# Compile options of the test programs' own sources (not of the libraries they test), after the build type's: the
# test presets build them unoptimised, which takes a fraction of the time and keeps the engine's code as it ships.
set(QUELLSY_TEST_CODE_OPTIONS "" CACHE STRING "Extra compile options of the test programs' own sources")

set(QUELLSY_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)

if(QUELLSY_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QUELLSY_FUZZ)
  # Undefined behaviour stops the run like a crash does, as it stops the test suite.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(quellsy_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;PRIVATE_LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${QUELLSY_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS} PRIVATE ${ARG_PRIVATE_LINKS})
endfunction()

function(quellsy_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${QUELLSY_WARNINGS} ${QUELLSY_TEST_CODE_OPTIONS})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} TestSupport GTest::gmock GTest::gtest_main)
  # Fixture scripts and the public sample files are found through the source tree, never outside it.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QUELLSY_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

function(quellsy_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${QUELLSY_WARNINGS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  set_property(GLOBAL APPEND PROPERTY QUELLSY_FUZZERS ${name})
endfunction()
