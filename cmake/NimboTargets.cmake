# Compile settings shared by every Nimbo target.

set(NIMBO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wnon-virtual-dtor
  -Woverloaded-virtual)
if(NIMBO_WERROR)
  list(APPEND NIMBO_WARNINGS -Werror)
endif()

if(NIMBO_SANITIZE)
  add_compile_options(-fsanitize=${NIMBO_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${NIMBO_SANITIZE})
  if(NIMBO_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

# Fuzzers steer by the coverage of the code they drive, so in a fuzzing build
# every library carries the coverage instrumentation too.
if(NIMBO_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# nimbo_library(NAME folder SOURCES ... DEPENDS ...): one static library per
# layer, with the namespaced alias nimbo::<name> and the repository root on
# the include path so that headers are included as "net/ByteString.h".
function(nimbo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(nimbo_${name} STATIC ${ARG_SOURCES})
  add_library(nimbo::${name} ALIAS nimbo_${name})
  target_include_directories(nimbo_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(nimbo_${name} PRIVATE ${NIMBO_WARNINGS})
  target_link_libraries(nimbo_${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# nimbo_executable(NAME SOURCES ... DEPENDS ...)
function(nimbo_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${NIMBO_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
endfunction()

# nimbo_runs(TARGET PROGRAM): TARGET starts the PROGRAM of this build, whose
# path it finds in the macro named after it (nimbo-cli: NIMBO_CLI_PATH); it
# is built after the program.
function(nimbo_runs target program)
  string(TOUPPER "${program}_PATH" macro)
  string(REPLACE "-" "_" macro "${macro}")
  target_compile_definitions(${target} PRIVATE ${macro}="$<TARGET_FILE:${program}>")
  add_dependencies(${target} ${program})
endfunction()

# nimbo_test(NAME SOURCES ... DEPENDS ... [LABELS ...] [ENVIRONMENT VAR=value ...]
#            [RUNS program ...]): one GoogleTest executable; every case becomes
# its own ctest test so that ctest -j runs them in parallel. The label
# "threaded" selects the ThreadSanitizer run; RUNS as nimbo_runs.
function(nimbo_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPENDS;LABELS;ENVIRONMENT;RUNS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  foreach(program IN LISTS ARG_RUNS)
    nimbo_runs(${name} ${program})
  endforeach()
  target_compile_options(${name} PRIVATE ${NIMBO_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(properties TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  if("threaded" IN_LIST ARG_LABELS)
    set_property(GLOBAL APPEND PROPERTY NIMBO_THREADED_TESTS ${name})
  endif()
  if(ARG_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# nimbo_fuzzer(NAME SOURCES ... DEPENDS ...): a libFuzzer target (clang only).
function(nimbo_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${NIMBO_WARNINGS} -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
