# Fuzzes one target briefly on a fresh copy of its seed corpus, so the repository's corpus is never written to.
# cmake -DFUZZER=<program> -DSEEDS=<seed folder> -DWORK=<scratch folder> -DSECONDS=<n> -P run_fuzz_test.cmake
foreach(var FUZZER SEEDS WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_fuzz_test: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${SEEDS}/*)
if(NOT seeds)
  message(FATAL_ERROR "run_fuzz_test: no seeds in ${SEEDS}")
endif()
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -print_final_stats=1
          -artifact_prefix=${WORK}/artifacts/ ${WORK}/corpus
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)

string(REGEX MATCH "Done ([0-9]+) runs in ([0-9]+) second" done "${output}")
if(NOT result EQUAL 0 OR NOT done)
  file(GLOB artifacts ${WORK}/artifacts/*)
  message("${output}")
  message(FATAL_ERROR "fuzzer ended with ${result}; reproducers: ${artifacts}")
endif()
message("${CMAKE_MATCH_1} runs in ${CMAKE_MATCH_2} s, no crash")
