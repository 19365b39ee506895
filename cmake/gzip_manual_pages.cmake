# cmake/gzip_manual_pages.cmake: run by cpack on the staged files before it packs them; gzips the
# manual pages as Debian keeps them (best compression, no name or time stamp inside).
file(GLOB_RECURSE pages ${CPACK_TEMPORARY_DIRECTORY}/*.1)
find_program(gzip gzip)
foreach(page ${pages})
  if(gzip)
    execute_process(COMMAND ${gzip} -9nf ${page} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "gzip ${page} failed: ${result}")
    endif()
  endif()
endforeach()
