# fuzz/run_fuzzer.cmake: runs one fuzz target over a fresh copy of its seed corpus, so that the
# corpus kept in the repository is never written to; any finding fails.
# cmake -DFUZZER=... -DSEEDS=... [-DEXTRA_SEEDS=folder] -DWORK=... -DRUNS=... -DSECONDS=...
#       -DMAX_LEN=... -P run_fuzzer.cmake
# EXTRA_SEEDS adds the .spc files of a folder that may be absent.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/artifacts)
file(COPY ${SEEDS}/ DESTINATION ${WORK}/corpus)
if(EXTRA_SEEDS AND IS_DIRECTORY ${EXTRA_SEEDS})
  file(GLOB extra ${EXTRA_SEEDS}/*.spc ${EXTRA_SEEDS}/*.SPC)
  file(COPY ${extra} DESTINATION ${WORK}/corpus)
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
