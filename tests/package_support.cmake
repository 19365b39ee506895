# tests/package_support.cmake: what the package checks share: making a package with cpack, and
# converting the examples' list file with the program a package installed.

# Makes the package of BUILD with cpack's generator into SCRATCH/package; sets result_file to the
# package's file, named zolkdf-VERSION-suffix.
function(make_package generator suffix result_file)
  execute_process(COMMAND ${CPACK} -G ${generator} -B ${SCRATCH}/package WORKING_DIRECTORY ${BUILD}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(package ${SCRATCH}/package/zolkdf-${VERSION}-${suffix})
  if(NOT result EQUAL 0 OR NOT EXISTS ${package})
    message(FATAL_ERROR "cpack -G ${generator} did not make ${package}: ${result}\n${output}")
  endif()
  set(${result_file} ${package} PARENT_SCOPE)
endfunction()

# Runs the program (the command's words) in folder, a copy of the examples, with the answers F and
# convert.lst: the list converts the other four examples to XY, and each must come out as
# sample.xy.
function(converts_the_examples folder)
  file(WRITE ${SCRATCH}/answers "F\nconvert.lst\n")
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${folder} INPUT_FILE ${SCRATCH}/answers
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} ended with ${result}:\n${output}")
  endif()
  foreach(converted from-y.xy from-6xy.xy from-old.xy from-new.xy)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${folder}/${converted}
                            ${folder}/sample.xy RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${converted} differs from sample.xy")
    endif()
  endforeach()
endfunction()
