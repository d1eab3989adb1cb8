# Where an install puts things (the FHS places, through GNUInstallDirs) and how the
# programs find their data again. The programs look relative to their own folder first
# (bin/../share/...), so a staged install (DESTDIR), a package built from any tree and a
# moved prefix work alike; the configured prefix and the source tree come after that.
#
# On Debian libraries go to the multiarch folder (lib/x86_64-linux-gnu) whatever the
# prefix: the loader and pkg-config look there under /usr/local too, and a tree
# configured for /usr/local then packages the same layout as one for /usr.
if(NOT DEFINED CMAKE_INSTALL_LIBDIR AND CMAKE_LIBRARY_ARCHITECTURE AND EXISTS /etc/debian_version)
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}
      CACHE PATH "Object code libraries (lib/${CMAKE_LIBRARY_ARCHITECTURE})")
endif()
include(GNUInstallDirs)

# install() rules without a COMPONENT belong to the program package.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME program)

# The Debian packages' version: the product version and the packaging revision.
set(VOREX_DEB_REVISION 1)
set(VOREX_DEB_VERSION ${PROJECT_VERSION}-${VOREX_DEB_REVISION})

# The desktop program's id: the names of its desktop entry, metainfo and icon, and the
# name its windows give the window manager to find them by.
set(VOREX_APP_ID example.vorex_rfid.VorexProgrammer)

set(VOREX_INSTALL_SCENARIODIR ${CMAKE_INSTALL_DATADIR}/vorex/scenarios)
set(VOREX_INSTALL_TRANSLATIONDIR ${CMAKE_INSTALL_DATADIR}/vorex-programmer/translations)
set(VOREX_INSTALL_MANUALDIR ${CMAKE_INSTALL_DATADIR}/doc/vorex-programmer)
set(VOREX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vorex)

# Defines for `target`, for each data folder KIND (SCENARIO, TRANSLATION, MANUAL):
#   VOREX_<KIND>DIR_FROM_BIN  the folder relative to the installed programs' folder
#   VOREX_<KIND>DIR           the folder under the configured prefix
# and VOREX_SOURCE_SCENARIODIR, the scenarios of the source tree (for the build tree).
function(vorex_data_dirs target)
  set(bindir ${CMAKE_INSTALL_FULL_BINDIR})
  foreach(kind SCENARIO TRANSLATION MANUAL)
    set(dir ${VOREX_INSTALL_${kind}DIR})
    if(NOT IS_ABSOLUTE ${dir})
      set(dir ${CMAKE_INSTALL_PREFIX}/${dir})
    endif()
    file(RELATIVE_PATH fromBin ${bindir} ${dir})
    target_compile_definitions(${target} PRIVATE
      VOREX_${kind}DIR_FROM_BIN="${fromBin}" VOREX_${kind}DIR="${dir}")
  endforeach()
  target_compile_definitions(${target} PRIVATE
    VOREX_SOURCE_SCENARIODIR="${PROJECT_SOURCE_DIR}/sim/scenarios")
endfunction()
