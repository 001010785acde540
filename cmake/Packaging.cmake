# Installation into the usual places and the Debian package built by CPack.
#   bin/docvane, bin/docvane-cli          the programs
#   lib/docvane/                          the stand-in automation servers and their Python package
#                                         (the programs look for them relative to their own location)
#   share/applications, share/mime, share/icons/hicolor, share/man/man1
#   share/doc/docvane                     LICENSE, NOTICE.md and the Debian copyright file
include(GNUInstallDirs)

install(TARGETS docvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET docvane)
  install(TARGETS docvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(DOCVANE_SERVER_DIR lib/docvane)
if(EXISTS ${CMAKE_SOURCE_DIR}/src/servers/docvane_servers)
  # The build's copy, with the byte code compiled beside it (an installed server cannot write it).
  install(DIRECTORY ${CMAKE_BINARY_DIR}/docvane_servers DESTINATION ${DOCVANE_SERVER_DIR}
          FILES_MATCHING PATTERN "*.py" PATTERN "*.cpython-*.pyc")
endif()
foreach(server docvane-acad-server docvane-word-server)
  if(EXISTS ${CMAKE_SOURCE_DIR}/src/servers/${server})
    install(PROGRAMS ${CMAKE_SOURCE_DIR}/src/servers/${server} DESTINATION ${DOCVANE_SERVER_DIR})
  endif()
endforeach()

set(DOCVANE_PACKAGING ${CMAKE_SOURCE_DIR}/packaging/linux)
install(FILES ${DOCVANE_PACKAGING}/docvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${DOCVANE_PACKAGING}/docvane-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME docvane.xml)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${DOCVANE_PACKAGING}/icons/docvane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME docvane.png)
endforeach()
install(FILES ${DOCVANE_PACKAGING}/icons/docvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Manual pages are installed compressed, as Debian's tools expect.
set(DOCVANE_MAN_PAGE ${CMAKE_BINARY_DIR}/docvane-cli.1.gz)
add_custom_command(OUTPUT ${DOCVANE_MAN_PAGE}
                   COMMAND gzip -9n -c ${DOCVANE_PACKAGING}/docvane-cli.1 > ${DOCVANE_MAN_PAGE}
                   DEPENDS ${DOCVANE_PACKAGING}/docvane-cli.1 VERBATIM)
add_custom_target(docvane_man_page ALL DEPENDS ${DOCVANE_MAN_PAGE})
install(FILES ${DOCVANE_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The licence and the third-party notices travel with every copy, as the GPL and the components' licences ask.
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/NOTICE.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/docvane)
install(FILES ${CMAKE_SOURCE_DIR}/NOTICE.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/docvane RENAME copyright)

set(CPACK_PACKAGE_NAME docvane)
set(CPACK_PACKAGE_VENDOR "Ostrel")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT "Docvane developers <docvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Publishes engineering drawings and documents into PDF sets")
set(CPACK_PACKAGE_DESCRIPTION
    "Docvane publishes the drawings (DXF), word-processor documents and PDFs of a project into PDFs and\n editable copies and merges them into one combined PDF with an outline menu, page numbers and\n contents links. Desktop program, command line and stand-in automation servers.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# qpdf is opened by its soname, which shlibdeps cannot see; libqpdf.so.29 comes with libqpdf29.
string(REGEX REPLACE "^lib(.*)\\.so\\.([0-9]+)$" "lib\\1\\2" DOCVANE_QPDF_PACKAGE "${DOCVANE_QPDF_SONAME}")
# What the stand-in servers and the programs start or open at run time (no library links to them).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${DOCVANE_QPDF_PACKAGE}, python3, python3-ezdxf, python3-cairo, python3-uno, libreoffice-writer-nogui, fonts-liberation, fontconfig, xdg-utils, shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_GENERATOR DEB)
include(CPack)
