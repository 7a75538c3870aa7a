# Runs one fuzzer for a bounded time over a scratch copy of its seed corpus.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB seeds ${SEEDS}/*)
if(seeds)
    file(COPY ${seeds} DESTINATION ${WORK})
endif()
execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -rss_limit_mb=2048
            -timeout=25 -print_final_stats=1 ${WORK}
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "fuzzer ${FUZZER} failed with status ${rc}")
endif()
