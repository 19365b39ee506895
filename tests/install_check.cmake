# tests/install_check.cmake: installs the build into PREFIX and checks that the program and its
# manual page arrived.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
include(GNUInstallDirs)
foreach(installed ${CMAKE_INSTALL_BINDIR}/zolkdf${SUFFIX} ${CMAKE_INSTALL_MANDIR}/man1/zolkdf.1)
  if(NOT EXISTS ${PREFIX}/${installed})
    message(FATAL_ERROR "${installed} was not installed")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
