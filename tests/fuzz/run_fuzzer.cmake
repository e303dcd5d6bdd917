# Runs the settings fuzzer for a bounded time on a copy of the seed corpus.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/crashes)
file(COPY ${SEEDS}/ DESTINATION ${WORK}/corpus)
execute_process(
    COMMAND ${FUZZER} -max_total_time=20 -runs=2000000 -max_len=4096 -timeout=10
            -artifact_prefix=${WORK}/crashes/ ${WORK}/corpus
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the settings fuzzer found a failing input in ${WORK}/crashes")
endif()
