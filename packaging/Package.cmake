# The Debian package: scripts/package.sh runs `cpack -G DEB` on a finished build, so CI
# packages the very build its tests ran on.
include(GNUInstallDirs)

# The newest changelog entry names the version the package carries: the project's.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^moxilane \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog starts with \"${newest}\": add an entry for "
        "${PROJECT_VERSION}")
endif()

# Debian's documentation folder: the licence in machine-readable form, the changelog.
set(doc ${CMAKE_INSTALL_DATADIR}/doc/moxilane)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${doc})
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog)
add_custom_command(OUTPUT ${changelog}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/changelog ${changelog}
    COMMAND gzip -9nf ${changelog}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz DESTINATION ${doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME moxilane)
set(CPACK_PACKAGE_VENDOR "Moxilane developers")
set(CPACK_PACKAGE_CONTACT "Moxilane developers <moxilane@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screenshots of an area, a window, the screen or a scroll")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Moxilane lives in the system tray of an X11 or Wayland desktop. Shortcuts capture
an area dragged out on a frozen picture of the screens, a window picked with
the mouse, the full screen, or a scrolling view stitched into one tall image.
Captures go to PNG files and/or the clipboard; a thumbnail opens them in a
markup editor. The captures can also be started from the command line.]])
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # moxilane_<version>_<arch>.deb
# dpkg-shlibdeps finds the libraries the binary links; Qt's platform plugins (X11 and
# Wayland) and its SVG image plugin are loaded at run time, where it cannot see them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")  # opening saved captures
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripForPackage.cmake)
# Installed with DESTDIR under the final prefix, so what the install writes into files
# (the desktop entry's Exec) names /usr, not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
