# `cmake --install` and the Debian package (`cpack -G DEB` in the build directory, or the
# `package` target). GNUInstallDirs and VEMORA_DATA_DIR come from the top CMakeLists.txt.

install(TARGETS vemora vemora-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(VEMORA_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/vemora)
install(FILES ${CMAKE_BINARY_DIR}/fonts.dat DESTINATION ${VEMORA_DATA_DESTINATION})
# Named one by one: the demo directory also collects build and editing output (fonts.dat,
# the saved trace file), which must not end up in the copy users start from.
install(FILES
  examples/demo/vemora.cfg
  examples/demo/trace.txt
  examples/demo/track.trk
  examples/demo/tracepos.txt
  examples/demo/radius.txt
  examples/demo/altref.txt
  DESTINATION ${VEMORA_DATA_DESTINATION}/demo)

# The manual names the installed files; the copy kept in docs/ names them under the
# default prefix.
file(READ ${CMAKE_SOURCE_DIR}/docs/vemora.1 VEMORA_MAN_PAGE)
string(REPLACE "/usr/local/share/vemora" "${VEMORA_DATA_DIR}" VEMORA_MAN_PAGE "${VEMORA_MAN_PAGE}")
string(REPLACE "/usr/local/share/doc/vemora" "${CMAKE_INSTALL_FULL_DOCDIR}" VEMORA_MAN_PAGE "${VEMORA_MAN_PAGE}")
file(WRITE ${CMAKE_BINARY_DIR}/vemora.1 "${VEMORA_MAN_PAGE}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/vemora.1)
install(FILES ${CMAKE_BINARY_DIR}/vemora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vemora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vemora developers <vemora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the heights of a race track")
# Lines of a Debian long description stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "\
Vemora edits the heights of the traces of a racing simulation's track. It
shows a cross-section of the selected section and the height profile along
the track, lets the user drag new heights and gradients at section boundaries
with the mouse, finds and repairs height gaps and gradient breaks between
sections, and saves the trace data file. vemora-check runs the same check and
repair without a window, for scripts and build pipelines of track files.")
# The binary looks for fonts.dat under the prefix it was built for, so the package
# installs there too (configure with -DCMAKE_INSTALL_PREFIX=/usr for a /usr package).
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
