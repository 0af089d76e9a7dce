# Installs the build into a temporary prefix and checks what a desktop finds there: the
# program, a valid desktop entry that starts it by its absolute path under this prefix
# (quoted: the prefix has a space) with the four capture actions, the icons, the AppStream
# metainfo, the manual page, and the private library the program loads for the agent.
# Arguments: -DBUILD_DIR=... -DPREFIX=... -DVALIDATOR=<desktop-file-validate> -DAPP_ID=...
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(entry "${PREFIX}/share/applications/${APP_ID}.desktop")
set(installed bin/moxilane share/applications/${APP_ID}.desktop
    share/icons/hicolor/scalable/apps/${APP_ID}.svg share/metainfo/${APP_ID}.metainfo.xml
    share/man/man1/moxilane.1.gz)
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND installed share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
endforeach()
foreach(path ${installed})
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

if(NOT VALIDATOR)
    message(FATAL_ERROR "desktop-file-validate is missing (scripts/deps.sh installs it)")
endif()
execute_process(COMMAND "${VALIDATOR}" "${entry}" RESULT_VARIABLE status
    OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(status OR report MATCHES "error:")
    message(FATAL_ERROR "desktop-file-validate: ${report}")
endif()

file(READ "${entry}" text)
set(exec "Exec=\"${PREFIX}/bin/moxilane\"")
foreach(action area window screen scroll text)
    if(NOT text MATCHES "\\[Desktop Action ${action}\\]\nName=[^\n]+\n")
        message(FATAL_ERROR "the entry has no action ${action}")
    endif()
    string(FIND "${text}" "${exec} ${action}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "no action runs ${exec} ${action}:\n${text}")
    endif()
endforeach()
foreach(line "${exec}\n" "Icon=${APP_ID}\n"
        "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n")
    string(FIND "${text}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the entry lacks the line ${line}:\n${text}")
    endif()
endforeach()

execute_process(COMMAND "${PREFIX}/bin/moxilane" --version OUTPUT_VARIABLE version
    RESULT_VARIABLE status)
if(status OR NOT version STREQUAL "Moxilane ${VERSION}\n")
    message(FATAL_ERROR "the installed program answers --version with: ${version}")
endif()

# stitch runs from the private library, found from the installed program; without that
# library the program says so and fails, and its command line still answers.
file(GLOB_RECURSE library "${PREFIX}/lib/libmoxilane-agent.so")
execute_process(COMMAND "${PREFIX}/bin/moxilane" stitch --help OUTPUT_VARIABLE help
    RESULT_VARIABLE status)
if(NOT library MATCHES "/moxilane/libmoxilane-agent.so$" OR status
        OR NOT help MATCHES "^usage: moxilane stitch")
    message(FATAL_ERROR "stitch from the installed library (${library}): ${status} ${help}")
endif()
file(REMOVE ${library})
execute_process(COMMAND "${PREFIX}/bin/moxilane" stitch --help RESULT_VARIABLE status
    ERROR_VARIABLE problem)
if(NOT status EQUAL 1
        OR NOT problem MATCHES "^moxilane: cannot load its library .*/moxilane/libmoxilane-agent.so")
    message(FATAL_ERROR "without its library, stitch gave ${status}: ${problem}")
endif()
execute_process(COMMAND "${PREFIX}/bin/moxilane" --version RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
    message(FATAL_ERROR "without its library, --version gave ${status}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
