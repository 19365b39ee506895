# tests/package_deb_check.cmake: builds the Debian package of BUILD with cpack, unpacks it with
# dpkg -x into SCRATCH and converts the examples' list file with the program it installed.
find_program(dpkg dpkg)
if(NOT dpkg)
  message("dpkg not found: the Debian package is not checked")
  return()
endif()
file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${CPACK} -G DEB -B ${SCRATCH}/package WORKING_DIRECTORY ${BUILD}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
set(deb ${SCRATCH}/package/zolkdf-${VERSION}-Linux.deb)
if(NOT result EQUAL 0 OR NOT EXISTS ${deb})
  message(FATAL_ERROR "cpack -G DEB did not make ${deb}: ${result}\n${output}")
endif()
execute_process(COMMAND ${dpkg} -x ${deb} ${SCRATCH}/root RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg -x failed: ${result}")
endif()
foreach(installed usr/bin/zolkdf usr/share/man/man1/zolkdf.1.gz)
  if(NOT EXISTS ${SCRATCH}/root/${installed})
    message(FATAL_ERROR "the package does not install /${installed}")
  endif()
endforeach()

# The list file converts the other four examples to XY; each must come out as sample.xy.
file(COPY ${EXAMPLES}/ DESTINATION ${SCRATCH}/run)
file(WRITE ${SCRATCH}/answers "F\nconvert.lst\n")
execute_process(COMMAND ${SCRATCH}/root/usr/bin/zolkdf WORKING_DIRECTORY ${SCRATCH}/run
                INPUT_FILE ${SCRATCH}/answers RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed zolkdf ended with ${result}:\n${output}")
endif()
foreach(converted from-y.xy from-6xy.xy from-old.xy from-new.xy)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/run/${converted}
                          ${SCRATCH}/run/sample.xy RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${converted} differs from sample.xy")
  endif()
endforeach()
file(REMOVE_RECURSE ${SCRATCH})
