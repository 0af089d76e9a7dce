# KWin's own screenshot interface and window list over D-Bus: plain QtDBus, so the capture
# worker can call them and unit tests need no compositor.
add_library(mx_platform_wayland_kde STATIC
    ${CMAKE_CURRENT_LIST_DIR}/KWinScreenShot2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KWinWindowList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KWinWindows.cpp)
target_link_libraries(mx_platform_wayland_kde PUBLIC mx_platform_api Qt6::Gui Qt6::DBus)
