# tests/package_zip_check.cmake: builds the Windows zip of BUILD with cpack, unpacks it into
# SCRATCH and converts the examples' list file with its zolkdf.exe under EMULATOR (Wine).
include(${CMAKE_CURRENT_LIST_DIR}/package_support.cmake)
file(REMOVE_RECURSE ${SCRATCH})
make_package(ZIP win64.zip zip)
file(MAKE_DIRECTORY ${SCRATCH}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${SCRATCH}/unpacked
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake -E tar xf ${zip} failed: ${result}")
endif()
# A user unpacks one flat folder: the program, its README, the licence and the examples side by
# side; the README names the zip.
foreach(unpacked zolkdf.exe README.md LICENSE examples/convert.lst examples/new.spc)
  if(NOT EXISTS ${SCRATCH}/unpacked/${unpacked})
    message(FATAL_ERROR "the zip holds no ${unpacked} at its top")
  endif()
endforeach()
file(READ ${SCRATCH}/unpacked/README.md readme)
string(FIND "${readme}" "zolkdf-${VERSION}-win64.zip" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the README does not name zolkdf-${VERSION}-win64.zip")
endif()

# Wine's settings, unless the test run gave them.
if(NOT DEFINED ENV{WINEPREFIX})
  set(ENV{WINEPREFIX} ${BUILD}/wine-prefix)
endif()
set(ENV{WINEDEBUG} -all)
converts_the_examples(${SCRATCH}/unpacked/examples ${EMULATOR} ${SCRATCH}/unpacked/zolkdf.exe)
file(REMOVE_RECURSE ${SCRATCH})
