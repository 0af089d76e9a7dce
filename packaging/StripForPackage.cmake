# Run by cpack once the files are staged: strips the program as Debian's dh_strip does,
# also dropping the .comment and .note sections that a plain strip keeps.
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
if(NOT programs)
    message(FATAL_ERROR "no program staged in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${programs}
    COMMAND_ERROR_IS_FATAL ANY)
# The program's private library, as dh_strip strips shared libraries.
file(GLOB_RECURSE libraries "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/lib/*.so")
if(NOT libraries)
    message(FATAL_ERROR "no library staged in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
execute_process(COMMAND strip --strip-unneeded --remove-section=.comment --remove-section=.note
    ${libraries} COMMAND_ERROR_IS_FATAL ANY)
