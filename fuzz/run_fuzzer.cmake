# fuzz/run_fuzzer.cmake: runs one fuzz target over a fresh copy of its seed corpus, so that the
# corpus kept in the repository is never written to; any finding fails.
# SHARED_SEEDS, where given and present, is a folder of further seed files.
# cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DRUNS=... -DSECONDS=... -DMAX_LEN=...
#       [-DSHARED_SEEDS=...] -P run_fuzzer.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/artifacts)
file(COPY ${SEEDS}/ DESTINATION ${WORK}/corpus)
if(SHARED_SEEDS AND IS_DIRECTORY ${SHARED_SEEDS})
  file(GLOB shared_files LIST_DIRECTORIES false ${SHARED_SEEDS}/*)
  file(COPY ${shared_files} DESTINATION ${WORK}/corpus)
endif()
execute_process(
  COMMAND ${FUZZER} -runs=${RUNS} -max_total_time=${SECONDS} -max_len=${MAX_LEN} -seed=1
          -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
          -artifact_prefix=${WORK}/artifacts/ ${WORK}/corpus
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(GLOB findings ${WORK}/artifacts/*)
  message(FATAL_ERROR "${FUZZER} failed (${status}); findings: ${findings}")
endif()
