# Shared build settings and the three helpers every folder uses:
#   quellsy_library(NAME SOURCES ... LINKS ...)      one static library per source folder
#   quellsy_test(NAME SOURCES ... LINKS ...)         one GoogleTest binary per test folder
#   quellsy_fuzzer(NAME SOURCES ... LINKS ...)       one libFuzzer binary, seeds in fuzz/corpus/NAME

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
  target_compile_options(${name} PRIVATE ${QUELLSY_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} TestSupport GTest::gmock GTest::gtest_main)
  # One variable per property: a ";" inside one ENVIRONMENT value would drop the second variable.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QUELLSY_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
               ENVIRONMENT_MODIFICATION "QUELLSY_FIXTURES=set:${PROJECT_SOURCE_DIR}/../shared/fixtures")
endfunction()

function(quellsy_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${QUELLSY_WARNINGS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  set_property(GLOBAL APPEND PROPERTY QUELLSY_FUZZERS ${name})
endfunction()
