# Native build: the portable core, its unit tests, and either the benchmarks
# and tools (plain build) or the fuzz targets (VELLORA_SANITIZE build).
option(VELLORA_SANITIZE "AddressSanitizer + UndefinedBehaviorSanitizer, and fuzz targets" OFF)
set(VELLORA_FUZZ_SECONDS 20 CACHE STRING "time each fuzz target runs under ctest")

add_compile_options(-Wall -Wextra)
# The libraries' own optimisation in this tree: instrumented at -O3, libjxl
# and libheif alone took eleven minutes to compile; at -O1 the sanitizers
# and the fuzzer see the same code for a fraction of that.
set(VELLORA_LIBRARY_RELEASE_FLAGS "")
if(VELLORA_SANITIZE)
  set(VELLORA_LIBRARY_RELEASE_FLAGS "-DCMAKE_C_FLAGS_RELEASE=-O1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -g -O1)
  add_link_options(-fsanitize=address,undefined)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # Coverage instrumentation for the fuzzers; harmless for the unit tests.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()

# The HEIC, JPEG XL and camera RAW readers need libheif, libjxl and LibRaw,
# which only the sanitizer tree builds, for the readers' fuzz targets and
# their tests; the plain tree leaves them out.
if(NOT VELLORA_SANITIZE)
  list(FILTER VELLORA_PORTABLE_SOURCES EXCLUDE REGEX "/(heif_reader|jxl_reader|raw_preview_reader)\\.cpp$")
endif()
add_library(vellora_core STATIC ${VELLORA_PORTABLE_SOURCES})
target_include_directories(vellora_core PUBLIC "${CMAKE_SOURCE_DIR}/src")

find_package(GTest REQUIRED)
include(GoogleTest)

# tests/unit/NAME_test.cpp -> one test program per file.
file(GLOB VELLORA_UNIT_TESTS CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/unit/*_test.cpp")
if(NOT VELLORA_SANITIZE)
  list(FILTER VELLORA_UNIT_TESTS EXCLUDE REGEX "/(heif_reader|jxl_reader|raw_preview_reader)_test\\.cpp$")
endif()
foreach(test_source ${VELLORA_UNIT_TESTS})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_executable(${test_name} ${test_source})
  target_link_libraries(${test_name} PRIVATE vellora_core GTest::gtest_main GTest::gmock)
  target_include_directories(${test_name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/unit" "${CMAKE_SOURCE_DIR}/tests/support")
  target_compile_definitions(${test_name} PRIVATE
    VELLORA_CORPUS_DIR="${VELLORA_CORPUS_DIR}"
    VELLORA_TOOLS_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${test_name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "VELLORA_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp")
endforeach()

# tools/qdlconv/: the picture converter, one file per step.
file(GLOB VELLORA_QDLCONV_SOURCES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tools/qdlconv/*.cpp")
add_executable(qdlconv ${VELLORA_QDLCONV_SOURCES})
target_link_libraries(qdlconv PRIVATE vellora_core)

if(VELLORA_SANITIZE)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # fuzz/NAME_fuzz.cpp is a libFuzzer target; fuzz/NAME_seeds.cpp, when
    # present, writes its starting corpus into the directory it is given.
    file(GLOB VELLORA_FUZZERS CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp")
    foreach(fuzz_source ${VELLORA_FUZZERS})
      get_filename_component(fuzz_name ${fuzz_source} NAME_WE)
      string(REGEX REPLACE "_fuzz$" "" base_name ${fuzz_name})
      add_executable(${fuzz_name} ${fuzz_source})
      target_link_libraries(${fuzz_name} PRIVATE vellora_core)
      target_include_directories(${fuzz_name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/support")
      target_link_options(${fuzz_name} PRIVATE -fsanitize=fuzzer)
      set(seeds_source "${CMAKE_SOURCE_DIR}/fuzz/${base_name}_seeds.cpp")
      set(seeds_command "")
      if(EXISTS ${seeds_source})
        add_executable(${base_name}_seeds ${seeds_source})
        target_link_libraries(${base_name}_seeds PRIVATE vellora_core)
        target_include_directories(${base_name}_seeds PRIVATE "${CMAKE_SOURCE_DIR}/tests/support")
        set(seeds_command $<TARGET_FILE:${base_name}_seeds>)
      endif()
      add_test(NAME fuzz.${base_name}
        COMMAND "${CMAKE_SOURCE_DIR}/scripts/fuzz-run" $<TARGET_FILE:${fuzz_name}>
                "${CMAKE_BINARY_DIR}/fuzz-corpus/${base_name}" ${VELLORA_FUZZ_SECONDS} ${seeds_command})
      set_tests_properties(fuzz.${base_name} PROPERTIES TIMEOUT 600)
    endforeach()
  endif()
else()
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    file(GLOB VELLORA_BENCHES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/bench/*_bench.cpp")
    foreach(bench_source ${VELLORA_BENCHES})
      get_filename_component(bench_name ${bench_source} NAME_WE)
      add_executable(${bench_name} ${bench_source})
      target_link_libraries(${bench_name} PRIVATE vellora_core benchmark::benchmark)
      target_include_directories(${bench_name} PRIVATE "${CMAKE_SOURCE_DIR}/bench" "${CMAKE_SOURCE_DIR}/tests/support")
    endforeach()
  endif()
endif()
include(cmake/webp2qdl.cmake)
include(cmake/libjpeg_turbo.cmake)
if(VELLORA_SANITIZE)
  include(cmake/libheif.cmake)
  include(cmake/libraw.cmake)
  include(cmake/libjxl.cmake)
endif()
