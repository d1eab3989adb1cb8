# The HID link uses hidapi's hidraw backend.
find_package(PkgConfig REQUIRED)
pkg_check_modules(HIDAPI_HIDRAW REQUIRED hidapi-hidraw)
list(APPEND VOREX_LINK_LIBRARIES ${HIDAPI_HIDRAW_LINK_LIBRARIES})
list(APPEND VOREX_LINK_INCLUDES ${HIDAPI_HIDRAW_INCLUDE_DIRS})
# What a program linking the installed static library needs: hidapi-hidraw is both the
# library's name and its pkg-config module (libvorex-dev depends on libhidapi-dev).
list(APPEND VOREX_LINK_INSTALL_NAMES hidapi-hidraw)
