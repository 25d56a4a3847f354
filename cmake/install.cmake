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
set(VEMORA_DOCS ${CMAKE_BINARY_DIR}/docs)
file(READ ${CMAKE_SOURCE_DIR}/docs/vemora.1 VEMORA_MAN_PAGE)
string(REPLACE "/usr/local/share/vemora" "${VEMORA_DATA_DIR}" VEMORA_MAN_PAGE "${VEMORA_MAN_PAGE}")
string(REPLACE "/usr/local/share/doc/vemora" "${CMAKE_INSTALL_FULL_DOCDIR}" VEMORA_MAN_PAGE "${VEMORA_MAN_PAGE}")
file(WRITE ${VEMORA_DOCS}/vemora.1 "${VEMORA_MAN_PAGE}")
configure_file(CHANGELOG ${VEMORA_DOCS}/changelog COPYONLY)

# The Debian changelog's newest entry is this version.
file(STRINGS CHANGELOG VEMORA_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT VEMORA_CHANGELOG_TOP MATCHES "^vemora \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "CHANGELOG starts with '${VEMORA_CHANGELOG_TOP}', not version ${PROJECT_VERSION}")
endif()

# The copyright file in Debian's machine-readable form, its licence text taken from LICENSE.
file(READ LICENSE VEMORA_LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" VEMORA_COPYRIGHT "${VEMORA_LICENSE}")
set(VEMORA_COPYRIGHT ${CMAKE_MATCH_1})
string(FIND "${VEMORA_LICENSE}" "Permission" VEMORA_LICENSE_START)
string(SUBSTRING "${VEMORA_LICENSE}" ${VEMORA_LICENSE_START} -1 VEMORA_LICENSE)
string(STRIP "${VEMORA_LICENSE}" VEMORA_LICENSE)
string(REPLACE "\n\n" "\n.\n" VEMORA_LICENSE "${VEMORA_LICENSE}")
string(REPLACE "\n" "\n " VEMORA_LICENSE "${VEMORA_LICENSE}")
file(WRITE ${VEMORA_DOCS}/copyright "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vemora

Files: *
Copyright: ${VEMORA_COPYRIGHT}
License: Expat
 ${VEMORA_LICENSE}
")

# Compressed as Debian wants them, without name and time stamp, so that builds agree byte for byte.
foreach(file vemora.1 changelog)
  execute_process(COMMAND gzip -9nkf ${VEMORA_DOCS}/${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endforeach()
# vemora-check shares the page.
file(CREATE_LINK vemora.1.gz ${VEMORA_DOCS}/vemora-check.1.gz SYMBOLIC)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/docs/vemora.1 ${CMAKE_SOURCE_DIR}/CHANGELOG ${CMAKE_SOURCE_DIR}/LICENSE)
install(FILES ${VEMORA_DOCS}/vemora.1.gz ${VEMORA_DOCS}/vemora-check.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md ${VEMORA_DOCS}/copyright ${VEMORA_DOCS}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

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
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# In the package only: lintian's overrides, a component that a plain install leaves out.
install(FILES cmake/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vemora
  COMPONENT lintian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};vemora;ALL;/;${CMAKE_BINARY_DIR};vemora;lintian;/")
set(CPACK_VEMORA_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_project.cmake)
include(CPack)
