# What GNOME needs beyond the portal's pixels: its screenshot permission, its picker, its
# key bindings. QtCore, QtDBus and GIO, so unit tests need no desktop.
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
add_library(mx_platform_wayland_gnome STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CustomKeybindings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GnomePortalCapture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenshotPermission.cpp)
target_link_libraries(mx_platform_wayland_gnome PUBLIC mx_platform_api Qt6::Gui Qt6::DBus
    PRIVATE mx_platform_wayland_portal PkgConfig::GIO)
