# Region captures from the ScreenCast portal's PipeWire stream, and the full-screen canvas our
# panels are drawn on, for desktops that give clients neither screencopy nor placement.
pkg_check_modules(PIPEWIRE REQUIRED IMPORTED_TARGET libpipewire-0.3)
add_library(mx_platform_wayland_cast STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CastFrame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PanelCanvas.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PipeWireStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenCastCapture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenCastPortal.cpp)
target_link_libraries(mx_platform_wayland_cast PUBLIC mx_platform_api mx_platform_wayland_portal
    Qt6::Widgets Qt6::DBus PRIVATE PkgConfig::PIPEWIRE)
