# Installation and packages: for the web a folder with the page; on Windows a zip of the
# program, its README and licence; elsewhere the viewer with its manual page, menu entry,
# icons, AppStream metadata and licence, and a Debian package. The version comes from
# project(); the release date and the identity below are the other facts that the installed
# files share.
set(SPIRELLE_RELEASE_DATE 2026-12-08)

# The Debian changelog wants the release as an RFC 2822 time, noon UTC: CMake formats it from
# the date's seconds since 1970 (days from the civil date, as in Howard Hinnant's algorithm).
string(REGEX MATCH "^([0-9]+)-0?([0-9]+)-0?([0-9]+)$" _ "${SPIRELLE_RELEASE_DATE}")
set(year ${CMAKE_MATCH_1})
set(month_from_march "${CMAKE_MATCH_2} + 9")
if(CMAKE_MATCH_2 GREATER 2)
  set(month_from_march "${CMAKE_MATCH_2} - 3")
else()
  math(EXPR year "${year} - 1")
endif()
math(EXPR days "(${year} / 400) * 146097 + (${year} % 400) * 365 + (${year} % 400) / 4 - (${year} % 400) / 100 + (153 * (${month_from_march}) + 2) / 5 + ${CMAKE_MATCH_3} - 1 - 719468")
math(EXPR seconds "${days} * 86400 + 43200")
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${seconds})
string(TIMESTAMP SPIRELLE_RELEASE_TIME "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
set(SPIRELLE_APP_ID org.spirelle.Spirelle)
set(SPIRELLE_HOMEPAGE https://spirelle.invalid)

set(CPACK_PACKAGE_NAME spirelle)
set(CPACK_PACKAGE_VENDOR "The Spirelle developers")
set(CPACK_PACKAGE_CONTACT "Spirelle developers <dev@spirelle.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(EMSCRIPTEN)
  # The page, as a static folder that any web server can serve: cmake --install lays it out.
  install(FILES web/index.html web/manifest.webmanifest DESTINATION .)
  install(FILES data/icons/spirelle-48.png DESTINATION . RENAME favicon.png)
  install(FILES data/icons/spirelle-192.png DESTINATION . RENAME icon-192.png)
  install(FILES data/icons/spirelle-512.png DESTINATION . RENAME icon-512.png)
  install(FILES $<TARGET_FILE:spirelle> $<TARGET_FILE_DIR:spirelle>/spirelle.wasm DESTINATION .)
  # The offline cache's worker, named after a digest of the files it caches.
  install(CODE "
    set(digests \"\")
    foreach(file index.html manifest.webmanifest spirelle.js spirelle.wasm)
      file(SHA256 \"\${CMAKE_INSTALL_PREFIX}/\${file}\" digest)
      string(APPEND digests \${digest})
    endforeach()
    string(SHA256 digest \"\${digests}\")
    string(SUBSTRING \${digest} 0 16 SPIRELLE_BUILD_ID)
    configure_file(\"${PROJECT_SOURCE_DIR}/web/service_worker.js.in\"
                   \"\${CMAKE_INSTALL_PREFIX}/service_worker.js\" @ONLY)
  ")
  return()
endif()

if(WIN32)
  # The icon and version information that Explorer shows, compiled in by windres.
  enable_language(RC)
  set(SPIRELLE_ICON ${PROJECT_SOURCE_DIR}/data/icons/spirelle.ico)
  configure_file(data/windows/spirelle.rc.in spirelle.rc @ONLY)
  target_sources(spirelle PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/spirelle.rc)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/spirelle.rc PROPERTIES
                              OBJECT_DEPENDS ${SPIRELLE_ICON})

  # Everything in one folder, as a zip is unpacked; text files with Windows line ends.
  configure_file(data/windows/README.txt README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE LICENSE.txt COPYONLY)
  install(TARGETS spirelle RUNTIME DESTINATION .)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt
          DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME spirelle-${PROJECT_VERSION}-win32)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
set(SPIRELLE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/spirelle)

# Debian wants manual pages and changelogs compressed, without a time stamp in the gzip
# header, so that the same sources give the same package.
function(spirelle_gzipped template output)
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${output} @ONLY)
  add_custom_command(OUTPUT ${output}.gz
                     COMMAND gzip -9nf -k ${output}
                     DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${output}
                     WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} VERBATIM)
endfunction()
spirelle_gzipped(data/spirelle.6.in spirelle.6)
spirelle_gzipped(data/debian/changelog.in changelog)
add_custom_target(spirelle_docs ALL DEPENDS spirelle.6.gz changelog.gz)
configure_file(data/spirelle.metainfo.xml.in ${SPIRELLE_APP_ID}.metainfo.xml @ONLY)

install(TARGETS spirelle RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/spirelle.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES data/spirelle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${SPIRELLE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 128 256)
  install(FILES data/icons/spirelle-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME spirelle.png)
endforeach()
install(FILES data/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${SPIRELLE_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated galaxy of stars on circular orbits")
# Package managers show the description as it stands, so its lines are kept short.
set(CPACK_PACKAGE_DESCRIPTION [=[
Spirelle animates a flat galaxy in one OpenGL window: 25,000 white stars on
circular orbits, each turning more slowly the farther it lies from the centre,
so that the inner stars lap the outer ones.

Drag with the left mouse button to turn the disc; the arrow keys zoom and
change the orbital rate, space pauses and Escape quits.]=])
set(CPACK_PACKAGE_INSTALL_DIRECTORY spirelle)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SPIRELLE_HOMEPAGE})
# The dependencies are the shared libraries the binary links, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack would name this machine's architecture; a build for another CPU is named by Debian's
# name for its target, and dpkg-shlibdeps reads the binary with that target's objdump.
if(CMAKE_CROSSCOMPILING AND CMAKE_LIBRARY_ARCHITECTURE)
  execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
                  OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
include(CPack)
