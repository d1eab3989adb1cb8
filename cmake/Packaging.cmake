# Debian packages with CPack (scripts/package): one package per install component.
#   vorex-programmer  the desktop program and its data
#   vorex-tools       vorexctl, vorex-sim, the scenarios and the readers' udev rules
#   libvorex2         the reader engine library libvorex.so.2
#   libvorex-dev      header, libvorex.so link, libvorex.a, pkg-config and CMake files
#   python3-vorex     the Python package vorex (ctypes over libvorex2, architecture all)
# Dependencies come from dpkg-shlibdeps; the library package gets a shlibs file.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorex-programmer)
set(CPACK_PACKAGE_VENDOR "Nvk Applikationen")
set(CPACK_PACKAGE_CONTACT "Nvk Applikationen <support@vorex-rfid.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VOREX_DEB_REVISION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Install with DESTDIR, so that files written at install time (vorex.pc) name /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program tools lib dev python)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vorex-rfid.example/)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME vorex-programmer)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION electronics)
# The xcb platform plugin comes with Qt's GUI library (libqt6gui6); the Wayland plugin
# is recommended for Wayland sessions, Qt's German texts for its own buttons.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "vorex-tools (= ${VOREX_DEB_VERSION})")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
"programming station for Vorex RFID readers
Vorex Programmer finds, reads, edits, writes and locks ISO 15693 tags,
MIFARE Classic 1K and 4K cards, MIFARE Ultralight and NFC Type 2 tags
with a 13.56 MHz reader/writer of the Vorex family attached by serial
port or USB, and configures the reader itself.

The package holds the desktop program vorex-programmer; its demo mode runs
it against the stand-in reader of vorex-tools.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME vorex-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION electronics)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
"command line and stand-in reader for Vorex RFID readers
The command line vorexctl identifies and configures Vorex RFID
reader/writers and reads, writes and dumps ISO 15693 tags, MIFARE Classic
cards and NFC Type 2 tags, with JSON output for scripts. The stand-in
reader vorex-sim answers like a reader on a pseudo-terminal, for tests and
demonstrations.

The package also holds udev rules that give the logged-in user access to
the readers. It needs no desktop.")

set(CPACK_DEBIAN_LIB_PACKAGE_NAME libvorex2)
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_LIB_DESCRIPTION
"Vorex RFID reader engine library
The reader engine of Vorex Programmer: frames, connections and the
ISO 15693, MIFARE and reader configuration commands of the Vorex RFID
readers, behind a flat C call surface (VOREX_ functions).")
# ldconfig runs through its trigger.
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/deb/libvorex2/triggers)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvorex-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# A static link of libvorex.a needs hidapi (pkg-config Requires.private: hidapi-hidraw).
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libvorex2 (= ${VOREX_DEB_VERSION}), libhidapi-dev")
set(CPACK_COMPONENT_DEV_DESCRIPTION
"Vorex RFID reader engine library - development files
The headers <vorex/vorex.h> and <vorex/vorex_errors.h>, the shared
library link and the static library of the Vorex reader engine, with a
pkg-config file (vorex) and a CMake package (find_package(Vorex), target
Vorex::vorex, Vorex::vorex_static).")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-vorex)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3:any (>= 3.11), libvorex2 (>= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
"Vorex RFID reader engine library - Python 3 package
The Python package vorex drives Vorex RFID readers through the reader
engine library libvorex (ctypes, no compiled code): a Reader class with
identification, settings, ISO 15693, MIFARE Classic and NFC Type 2
calls, exceptions that name the engine's error numbers, and the LAN and
Bluetooth searches. Examples are in /usr/share/doc/python3-vorex.")
# Byte-compiles the package after install and removes the compiled files before removal.
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/deb/python3-vorex/postinst
    ${PROJECT_SOURCE_DIR}/packaging/deb/python3-vorex/prerm)

include(CPack)
