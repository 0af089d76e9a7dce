# Runs at install time, with template and the install folders set: writes the desktop
# entry straight into the installation, starting the program by the absolute path it is
# installed at, for whatever prefix this install uses (KWin grants its screenshot
# interface to the program an entry's Exec names).
set(binary "${CMAKE_INSTALL_PREFIX}/${bindir}/moxilane")
# Exec's own quoting: a path with reserved characters goes in double quotes, inside which
# " ` $ and \ take a backslash; a percent sign doubles; the file's escapes double \ again.
if(binary MATCHES "[^A-Za-z0-9_./+-]")
    string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" binary "${binary}")
    set(binary "\"${binary}\"")
endif()
string(REPLACE "%" "%%" binary "${binary}")
string(REPLACE "\\" "\\\\" MOXILANE_EXEC "${binary}")

set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${datadir}/applications/${MOXILANE_APP_ID}.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${template}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
