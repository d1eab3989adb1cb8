# ccache when present: repeated builds of the same sources (the test trees, other
# checkouts of the tree) compile only what changed. Paths below the source folder are
# hashed relative to it, so checkouts in different folders share the cache.
find_program(VOREX_CCACHE ccache)
if(VOREX_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1
    CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime ${VOREX_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
endif()
