# Test, benchmark and fuzz-replay programs: the test run only needs them to build and run
# correctly, and optimising them costs most of the build (GoogleTest and Qt Test bodies
# compile about five times faster without it). VOREX_OPTIMIZE_TESTS=OFF compiles them
# without optimisation and without debug information (a third less time again: the test
# macros expand to many small functions; a failed assertion names its file and line
# itself); the product code keeps the build type's flags and its line tables. Keep it ON
# when the benchmarks are to be measured.
option(VOREX_OPTIMIZE_TESTS "Optimise test and benchmark programs as the build type says" ON)

# Each library and program compiled as one translation unit: most of a source's compile
# time is parsing the same headers (Qt, nlohmann/json, GoogleTest), so the test run builds
# this way and needs about half the CPU time. Off by default, so that editing one file
# rebuilds only that file. Sources therefore give their file-local helpers names that no
# other source of the same library or program uses.
option(VOREX_UNITY_BUILD "Compile each library and program as one translation unit" OFF)
if(VOREX_UNITY_BUILD)
  set(CMAKE_UNITY_BUILD ON)
  # One unit per target, not batches: a name clash shows at once, not when a new file
  # moves the batch borders.
  set(CMAKE_UNITY_BUILD_BATCH_SIZE 0)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # A type from one source's anonymous namespace used in another's class is fine in one
    # unit; GCC warns only because the sources arrive as included files.
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-subobject-linkage>)
  endif()
endif()

function(vorex_test_code target)
  if(NOT VOREX_OPTIMIZE_TESTS)
    target_compile_options(${target} PRIVATE -O0 -g0)
  endif()
endfunction()
