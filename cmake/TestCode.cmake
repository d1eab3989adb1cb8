# Test, benchmark and fuzz-replay programs: the test run only needs them to build and run
# correctly, and optimising them costs most of the build (GoogleTest and Qt Test bodies
# compile about five times faster without it). VOREX_OPTIMIZE_TESTS=OFF compiles them
# without optimisation; the product code keeps the build type's flags. Keep it ON when the
# benchmarks are to be measured.
option(VOREX_OPTIMIZE_TESTS "Optimise test and benchmark programs as the build type says" ON)

# Each GoogleTest program compiled as one translation unit: the test sources spend most of
# their compile time parsing the same headers, so the test run compiles them together
# (about three times less CPU). Off by default, so that editing one test file rebuilds only
# that file. Test sources therefore give their file-local helpers names that no other
# source of the same program uses.
option(VOREX_UNITY_TESTS "Compile each GoogleTest program as one translation unit" OFF)

function(vorex_test_code target)
  if(NOT VOREX_OPTIMIZE_TESTS)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

function(vorex_unity_test target)
  if(VOREX_UNITY_TESTS)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # A type from one source's anonymous namespace used in another's fixture is fine in
      # one translation unit; GCC warns because the sources arrive as included files.
      target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
    endif()
  endif()
endfunction()
