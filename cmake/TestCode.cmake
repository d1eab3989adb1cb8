# Test, benchmark and fuzz-replay programs: the test run only needs them to build and run
# correctly, and optimising them costs most of the build (GoogleTest and Qt Test bodies
# compile about five times faster without it). VOREX_OPTIMIZE_TESTS=OFF compiles them
# without optimisation; the product code keeps the build type's flags. Keep it ON when the
# benchmarks are to be measured.
option(VOREX_OPTIMIZE_TESTS "Optimise test and benchmark programs as the build type says" ON)

function(vorex_test_code target)
  if(NOT VOREX_OPTIMIZE_TESTS)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()
