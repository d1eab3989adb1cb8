# Strict warnings for the project's own targets.
function(vorex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports these for std::vector inserts in optimised builds where no
    # overread exists; they stay warnings, not errors.
    target_compile_options(${target} PRIVATE -Wno-error=stringop-overread
      -Wno-error=stringop-overflow -Wno-error=array-bounds -Wno-error=restrict -Wno-error=maybe-uninitialized)
  endif()
endfunction()
