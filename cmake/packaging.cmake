# cmake/packaging.cmake: the install layout and the release packages (cpack -G DEB, cpack -G ZIP).
set(CPACK_PACKAGE_NAME zolkdf)
set(CPACK_PACKAGE_VENDOR "zolkdf maintainers")
set(CPACK_PACKAGE_CONTACT "zolkdf maintainers <maintainers@users.noreply.c-seed-e369968b.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "converter of one-dimensional spectra between the Y, XY, 6XY and SPC file formats")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # A zip that unpacks to one flat folder: the program, its README and the examples side by side.
  install(TARGETS zolkdf RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION .)
  install(DIRECTORY examples/ DESTINATION examples)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  include(GNUInstallDirs)
  install(TARGETS zolkdf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES doc/zolkdf.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
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
endif()
include(CPack)
