# Makes the package afresh, so no test can pass on one left from an older build.
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${CPACK}" --config "${CONFIG}" -B "${OUT}" COMMAND_ERROR_IS_FATAL ANY)
if(NOT EXISTS "${DEB}")
    message(FATAL_ERROR "CPack made no ${DEB}")
endif()
