# Installs the build into a temporary prefix and checks what a desktop finds there:
# the program, a valid desktop entry with the four capture actions, and the icon.
# Arguments: -DBUILD_DIR=... -DPREFIX=... -DVALIDATOR=<desktop-file-validate>
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(entry "${PREFIX}/share/applications/moxilane.desktop")
foreach(path bin/moxilane share/applications/moxilane.desktop
        share/icons/hicolor/scalable/apps/moxilane.svg)
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
foreach(action area window screen scroll)
    if(NOT text MATCHES "\\[Desktop Action ${action}\\]\nName=[^\n]+\nExec=moxilane ${action}\n")
        message(FATAL_ERROR "the entry has no action running moxilane ${action}")
    endif()
endforeach()

execute_process(COMMAND "${PREFIX}/bin/moxilane" --version OUTPUT_VARIABLE version
    RESULT_VARIABLE status)
if(status OR NOT version STREQUAL "Moxilane 2.1\n")
    message(FATAL_ERROR "the installed program answers --version with: ${version}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
