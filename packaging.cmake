# Installation (cmake --install) and the Debian package (cpack -G DEB): the program, its man
# page made from --help by help2man, the README, the docs and the examples under
# share/kelvis. The package's version is the project's VERSION, which --version prints too.
include(GNUInstallDirs)

install(TARGETS kelvis RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kelvis)

find_program(HELP2MAN help2man)
if(HELP2MAN)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/kelvis.1.gz
    COMMAND ${HELP2MAN} --no-info --section 1 --name
            "viewing opportunities of the KELVORIN observatory satellite"
            --output ${CMAKE_BINARY_DIR}/kelvis.1 $<TARGET_FILE:kelvis>
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/kelvis.1
    DEPENDS kelvis
    COMMENT "Man page kelvis.1 from kelvis --help")
  add_custom_target(kelvis_man ALL DEPENDS ${CMAKE_BINARY_DIR}/kelvis.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/kelvis.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT kelvis)
else()
  message(STATUS "help2man not found: no man page (apt-get install help2man)")
endif()

install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvis COMPONENT kelvis)
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvis/docs COMPONENT kelvis)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvis/examples
        COMPONENT kelvis PATTERN out EXCLUDE)

set(CPACK_PACKAGE_NAME kelvis)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewing opportunities of the KELVORIN observatory satellite")
set(CPACK_PACKAGE_CONTACT "kelvis developers <kelvis@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package holds the program and its files; the Python module is installed into an
# interpreter by cmake --install.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};kelvis;kelvis;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The shared libraries the program links, found by dpkg-shlibdeps; enscript and ghostscript
# make the PDF.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "enscript, ghostscript")
include(CPack)
