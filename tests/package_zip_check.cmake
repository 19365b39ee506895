# tests/package_zip_check.cmake: builds the Windows zip of BUILD with cpack, unpacks it into
# SCRATCH and converts the examples' list file with its zolkdf.exe under EMULATOR (Wine).
file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${CPACK} -G ZIP -B ${SCRATCH}/package WORKING_DIRECTORY ${BUILD}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
set(zip ${SCRATCH}/package/zolkdf-${VERSION}-win64.zip)
if(NOT result EQUAL 0 OR NOT EXISTS ${zip})
  message(FATAL_ERROR "cpack -G ZIP did not make ${zip}: ${result}\n${output}")
endif()
file(MAKE_DIRECTORY ${SCRATCH}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${SCRATCH}/unpacked
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake -E tar xf ${zip} failed: ${result}")
endif()
# A user unpacks one flat folder: the program, its README and the examples side by side.
foreach(unpacked zolkdf.exe README.md examples/convert.lst)
  if(NOT EXISTS ${SCRATCH}/unpacked/${unpacked})
    message(FATAL_ERROR "the zip holds no ${unpacked} at its top")
  endif()
endforeach()

# The list file converts the other four examples to XY; each must come out as sample.xy.
if(NOT DEFINED ENV{WINEPREFIX})
  set(ENV{WINEPREFIX} ${BUILD}/wine-prefix)
endif()
set(ENV{WINEDEBUG} -all)
set(run ${SCRATCH}/unpacked/examples)
file(WRITE ${SCRATCH}/answers "F\nconvert.lst\n")
execute_process(COMMAND ${EMULATOR} ${SCRATCH}/unpacked/zolkdf.exe WORKING_DIRECTORY ${run}
                INPUT_FILE ${SCRATCH}/answers RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "zolkdf.exe from the zip ended with ${result}:\n${output}")
endif()
foreach(converted from-y.xy from-6xy.xy from-old.xy from-new.xy)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${run}/${converted} ${run}/sample.xy
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${converted} differs from sample.xy")
  endif()
endforeach()
file(REMOVE_RECURSE ${SCRATCH})
