# Run by cpack once the files are staged: strips the program as Debian's dh_strip does,
# also dropping the .comment and .note sections that a plain strip keeps.
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
if(NOT programs)
    message(FATAL_ERROR "no program staged in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${programs}
    COMMAND_ERROR_IS_FATAL ANY)
