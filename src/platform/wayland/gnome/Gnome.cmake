# What GNOME needs beyond the portal's pixels: its screenshot permission, its picker, its
# key bindings and its notifications. QtCore and QtDBus, so unit tests need no desktop.
add_library(mx_platform_wayland_gnome STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ScreenshotPermission.cpp)
target_link_libraries(mx_platform_wayland_gnome PUBLIC mx_platform_api Qt6::Gui Qt6::DBus)
