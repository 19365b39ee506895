# tests/package_deb_check.cmake: builds the Debian package of BUILD with cpack, unpacks it with
# dpkg -x into SCRATCH, checks that it carries the manual page, the README, the examples and the
# copyright file, and converts the examples it installed with the program it installed; checks the
# package of the Python module beside it.
find_program(dpkg dpkg)
if(NOT dpkg)
  message("dpkg not found: the Debian package is not checked")
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/package_support.cmake)
file(REMOVE_RECURSE ${SCRATCH})
make_package(DEB Linux.deb deb)
execute_process(COMMAND ${dpkg} -x ${deb} ${SCRATCH}/root RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg -x failed: ${result}")
endif()
set(doc usr/share/doc/zolkdf)
file(GLOB examples RELATIVE ${EXAMPLES} ${EXAMPLES}/*)
list(TRANSFORM examples PREPEND ${doc}/examples/)
foreach(installed usr/bin/zolkdf usr/share/man/man1/zolkdf.1.gz ${doc}/README.md ${doc}/copyright
                  ${examples})
  if(NOT EXISTS ${SCRATCH}/root/${installed})
    message(FATAL_ERROR "the package does not install /${installed}")
  endif()
endforeach()
# The copyright file in Debian's machine-readable format names the licence and its holders.
file(READ ${SCRATCH}/root/${doc}/copyright copyright)
foreach(field "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
              "\nFiles: \\*\nCopyright: 2026 the zolkdf authors\nLicense: Expat\n"
              "\n\nLicense: Expat\n Permission is hereby granted")
  if(NOT copyright MATCHES "${field}")
    message(FATAL_ERROR "/${doc}/copyright lacks ${field}:\n${copyright}")
  endif()
endforeach()
# The README tells users the package's file name.
file(READ ${SCRATCH}/root/${doc}/README.md readme)
string(FIND "${readme}" "zolkdf-${VERSION}-Linux.deb" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the README does not name zolkdf-${VERSION}-Linux.deb")
endif()

file(COPY ${SCRATCH}/root/${doc}/examples/ DESTINATION ${SCRATCH}/run)
converts_the_examples(${SCRATCH}/run ${SCRATCH}/root/usr/bin/zolkdf)

# Where the module was built and can be imported plainly (PYTHON names the interpreter it was
# built for; not in the sanitizers' build), python3-zolkdf holds it and its stub in a folder of
# that interpreter's own search path, and the module imported from there reads the three spectra
# of series.spc.
if(NOT PYTHON)
  message("no interpreter to import it with: python3-zolkdf is not checked")
else()
  set(modules usr/lib/python3/dist-packages)
  execute_process(COMMAND ${dpkg} -x ${SCRATCH}/package/python3-zolkdf-${VERSION}-Linux.deb
                          ${SCRATCH}/python-root)
  set(script "import os, sys, zolkdf
print('/${modules}' in sys.path, os.path.dirname(zolkdf.__file__) == sys.argv[1],
      os.path.exists(sys.argv[1] + '/zolkdf.pyi'), len(zolkdf.read('series.spc').spectra))")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${SCRATCH}/python-root/${modules}
                          PYTHONDONTWRITEBYTECODE=1 ${PYTHON} -c "${script}"
                          ${SCRATCH}/python-root/${modules}
                  WORKING_DIRECTORY ${SCRATCH}/run OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT output STREQUAL "True True True 3\n")
    message(FATAL_ERROR "python3-zolkdf's module, in /${modules}: ${output}")
  endif()
endif()
file(REMOVE_RECURSE ${SCRATCH})
