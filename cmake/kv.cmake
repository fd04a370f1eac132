# Build helpers shared by every folder. Each folder is one library target;
# includes are written from the repository root ("song/event.h").

function(kv_add_library target)
  cmake_parse_arguments(KV "SHARED" "" "SOURCES;LIBS" ${ARGN})
  if(KV_SHARED)
    add_library(${target} SHARED ${KV_SOURCES})
  else()
    add_library(${target} STATIC ${KV_SOURCES})
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${KV_LIBS})
endfunction()

# A GoogleTest program; its tests are registered with ctest one by one when
# ctest runs (not at build time, so a build never runs test code).
function(kv_add_tests target)
  cmake_parse_arguments(KV "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${KV_SOURCES})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${KV_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KV_CORPUS_DIR="${KV_CORPUS_DIR}"
    KV_BIN_DIR="${PROJECT_BINARY_DIR}/bin")
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# A fuzz target: SOURCES define LLVMFuzzerTestOneInput. With KV_FUZZ (clang)
# it becomes a libFuzzer program <name>; always, a ctest replays every file
# under <folder>/fuzz/regressions/<name>/ through the same entry point.
function(kv_add_fuzzer name)
  cmake_parse_arguments(KV "" "" "SOURCES;LIBS" ${ARGN})
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/regressions/${name})
  add_executable(${name}_replay ${KV_SOURCES} ${PROJECT_SOURCE_DIR}/cmake/fuzzreplay.cpp)
  target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name}_replay PRIVATE ${KV_LIBS})
  add_test(NAME ${name}.regressions COMMAND ${name}_replay ${corpus})
  if(KV_FUZZ)
    add_executable(${name} ${KV_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${KV_LIBS})
  endif()
endfunction()

# A Google Benchmark program, run by hand (never by ctest).
function(kv_add_bench target)
  cmake_parse_arguments(KV "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT benchmark_FOUND)
    return()
  endif()
  add_executable(${target} ${KV_SOURCES})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${KV_LIBS} benchmark::benchmark)
endfunction()
