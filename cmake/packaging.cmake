# cmake/packaging.cmake: the install layout and the release packages (cpack -G DEB, cpack -G ZIP).
set(CPACK_PACKAGE_NAME zolkdf)
set(CPACK_PACKAGE_VENDOR "zolkdf maintainers")
set(CPACK_PACKAGE_CONTACT "zolkdf maintainers <maintainers@users.noreply.c-seed-e369968b.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "converter of one-dimensional spectra between the Y, XY, 6XY and SPC file formats")
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The program, its manual page and its documents; the Python module has components of its own.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME program)

if(WIN32)
  # A zip that unpacks to one flat folder: the program, its README, the licence and the examples
  # side by side.
  install(TARGETS zolkdf RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  install(DIRECTORY examples/ DESTINATION examples)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  include(GNUInstallDirs)
  install(TARGETS zolkdf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES doc/zolkdf.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The README and the examples that the manual page points to, and the licence as a Debian
  # copyright file (the machine-readable format; Expat is Debian's name for the MIT licence).
  set(doc_folder ${CMAKE_INSTALL_DATAROOTDIR}/doc/zolkdf)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE licence_lines)
  list(FILTER licence_lines EXCLUDE REGEX "^(MIT License|Copyright .*)$")
  set(licence_text "")
  foreach(line IN LISTS licence_lines)
    if(line STREQUAL "")
      string(APPEND licence_text " .\n")
    else()
      string(APPEND licence_text " ${line}\n")
    endif()
  endforeach()
  string(REGEX REPLACE "^ \\.\n" "" licence_text "${licence_text}")
  file(WRITE ${PROJECT_BINARY_DIR}/copyright
       "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
       "Upstream-Name: zolkdf\n"
       "\n"
       "Files: *\n"
       "Copyright: 2026 the zolkdf authors\n"
       "License: Expat\n"
       "Comment: The MIT License, as the file LICENSE of the sources holds it.\n"
       "\n"
       "License: Expat\n"
       "${licence_text}")
  install(FILES README.md ${PROJECT_BINARY_DIR}/copyright DESTINATION ${doc_folder})
  install(DIRECTORY examples/ DESTINATION ${doc_folder}/examples)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  # Debian keeps manual pages gzipped: the packages get them so, a plain install keeps zolkdf.1.
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/gzip_manual_pages.cmake)
  # The C++ runtime is linked in, so the C library is the one dependency; dpkg-shlibdeps (package
  # dpkg-dev) finds the version it needs.
  find_program(ZOLKDF_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(ZOLKDF_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS libc6)
  endif()
  # One Debian package for each component: zolkdf, and beside it, as Debian packages a module,
  # python3-zolkdf.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL program)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME zolkdf)
  set(CPACK_DEBIAN_PROGRAM_FILE_NAME zolkdf-${PROJECT_VERSION}-Linux.deb)
  if(ZOLKDF_PYTHON_BUILT)
    list(APPEND CPACK_COMPONENTS_ALL python_deb)
    set(CPACK_DEBIAN_PYTHON_DEB_PACKAGE_NAME python3-zolkdf)
    set(CPACK_DEBIAN_PYTHON_DEB_FILE_NAME python3-zolkdf-${PROJECT_VERSION}-Linux.deb)
    set(CPACK_DEBIAN_PYTHON_DEB_PACKAGE_SECTION python)
    # Below the summary line that both packages share.
    set(CPACK_DEBIAN_PYTHON_DEB_DESCRIPTION
        "The module zolkdf for Python 3: the readers and writers of zolkdf, over NumPy arrays.")
    # The module's file name binds it to the minor version of Python it was built for; NumPy is
    # imported for its arrays. The C++ runtime and the C library come from dpkg-shlibdeps.
    set(python_version ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR})
    math(EXPR next_minor "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON_DEB_PACKAGE_DEPENDS
        "python3 (>= ${python_version}~), python3 (<< ${Python3_VERSION_MAJOR}.${next_minor}), \
python3-numpy")
    if(NOT ZOLKDF_DPKG_SHLIBDEPS)
      string(APPEND CPACK_DEBIAN_PYTHON_DEB_PACKAGE_DEPENDS ", libc6, libstdc++6")
    endif()
    # Every Debian package carries its copyright file.
    install(FILES ${PROJECT_BINARY_DIR}/copyright
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/python3-zolkdf COMPONENT python_deb
            EXCLUDE_FROM_ALL)
  endif()
endif()
include(CPack)
