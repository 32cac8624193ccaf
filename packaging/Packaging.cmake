# The Debian package: `cpack` in the build folder (tools/package.sh does it all in one command).

# Named after the package, where GNUInstallDirs would take the project's capitalised name.
set(qm_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillmere)
install(FILES packaging/copyright DESTINATION ${qm_docdir})
set(qm_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${qm_changelog}
  COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${PROJECT_SOURCE_DIR}/packaging/changelog
          ${qm_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(qm_changelog ALL DEPENDS ${qm_changelog})
install(FILES ${qm_changelog} DESTINATION ${qm_docdir})

# Only the package carries lintian's notes; a plain `cmake --install` leaves them out.
install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        RENAME quillmere COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Quillmere;ALL;/"
                                 "${CMAKE_BINARY_DIR};Quillmere;debian;/")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_CONTACT "The Quillmere developers <developers@quillmere.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch photo resizer with a window and a command line")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.quillmere.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Found at run time, not linked: the window's narrow font and the opener of "->" folders.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xdg-utils")
# Loaded at run time only for photos read from web addresses.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libcurl4 | libcurl3-gnutls")
# CPack puts the summary first and indents these lines; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quillmere resizes and converts a whole folder of digital photos in one batch.
Every JPEG, TIFF and BMP photo under a source folder is resized, optionally
filtered (gray scale, black and white, histogram equalization, blur, Wallis
filter, negative) and written as a progressive JPEG file at the same place
under a target folder, keeping its EXIF data and other metadata.

The package holds the window, quillmere, and the same batch run for a
terminal, quillmere-cli.")

include(CPack)
