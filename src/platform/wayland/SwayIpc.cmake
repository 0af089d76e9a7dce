# sway's IPC client and its window tree: the window list on sway. Plain POSIX and QtCore, so
# the capture worker can call it and unit tests need no compositor.
add_library(mx_platform_wayland_ipc STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SwayIpc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SwayTree.cpp)
target_link_libraries(mx_platform_wayland_ipc PUBLIC mx_platform_api Qt6::Core)

# The XDG Screenshot portal as a capture service, where no native protocol gives pixels.
add_library(mx_platform_wayland_portal STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PortalRequest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PortalScreenshot.cpp)
target_link_libraries(mx_platform_wayland_portal PUBLIC mx_platform_api Qt6::Gui Qt6::DBus)
