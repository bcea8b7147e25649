# Shared build helpers.

set(LUMORA_TEST_ENVIRONMENT_SOURCE ${CMAKE_CURRENT_LIST_DIR}/TestEnvironment.cpp)

# lumora_add_tests(<prefix> LIBS <libs...> [DIR <dir>])
# Each <dir>/*.cpp (default: tests/) becomes one GoogleTest program named
# <prefix>_<file>, registered with CTest. Files starting with "_" are shared
# test helpers, compiled once and linked into every program of the folder.
function(lumora_add_tests prefix)
  cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  file(GLOB helper_sources CONFIGURE_DEPENDS ${ARG_DIR}/_*.cpp)
  # The shared helpers are compiled once for the folder, not once per program.
  set(support ${prefix}_test_support)
  add_library(${support} OBJECT ${helper_sources} ${LUMORA_TEST_ENVIRONMENT_SOURCE})
  target_compile_definitions(${support} PUBLIC
    LUMORA_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/../shared/testdata"
    LUMORA_TEST_BIN_DIR="${LUMORA_BIN_DIR}")
  target_link_libraries(${support} PUBLIC ${ARG_LIBS} GTest::gtest)
  target_include_directories(${support} PUBLIC ${ARG_DIR})
  foreach(src IN LISTS test_sources)
    get_filename_component(name ${src} NAME_WE)
    if(name MATCHES "^_")
      continue()
    endif()
    set(target ${prefix}_${name})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${support} GTest::gtest_main)
    set_target_properties(${target} PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
      BUILD_RPATH "${LUMORA_BIN_DIR}")
    gtest_discover_tests(${target}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
      PROPERTIES ENVIRONMENT "LUMORA_BACKEND=headless"
      DISCOVERY_TIMEOUT 30)
  endforeach()
endfunction()

# lumora_add_bench(<name> SOURCES <files...> LIBS <libs...>)
# A Google Benchmark program build/bin/bench_<name>.
function(lumora_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(bench_${name} ${ARG_SOURCES})
  target_link_libraries(bench_${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
