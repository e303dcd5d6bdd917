# Makes the task database from the schema when it is absent; an existing file
# holds the user's tasks and is never touched.
if(EXISTS "${DB}")
    return()
endif()
execute_process(COMMAND "${SQLITE3}" "${DB}" ".read ${SCHEMA}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE "${DB}")
    message(FATAL_ERROR "Could not create ${DB}")
endif()
