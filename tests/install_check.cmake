# tests/install_check.cmake: installs the build into PREFIX and checks that the program and its
# manual page arrived, with the README, the examples and the copyright file (on Windows: the
# program, the README, the licence and the examples).
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
if(WINDOWS)
  set(expected zolkdf.exe README.md LICENSE examples/convert.lst)
else()
  include(GNUInstallDirs)
  set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/zolkdf)
  set(expected ${CMAKE_INSTALL_BINDIR}/zolkdf ${CMAKE_INSTALL_MANDIR}/man1/zolkdf.1
               ${doc}/README.md ${doc}/copyright ${doc}/examples/convert.lst)
endif()
foreach(installed ${expected})
  if(NOT EXISTS ${PREFIX}/${installed})
    message(FATAL_ERROR "${installed} was not installed")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
