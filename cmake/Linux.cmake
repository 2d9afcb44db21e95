# Linux and other systems with a desktop GL: the system's OpenGL, GLU and GLUT; the viewer with
# its manual page, menu entry, icons, AppStream metadata and licence, and a Debian package.
if(SPIRELLE_VIEWER)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL)
  find_package(GLUT REQUIRED)
endif()

# 32-bit x86 compilers default to x87 maths, whose 80-bit intermediates the fast star
# arithmetic cannot rely on (it falls back to the plain formulas there); with SSE2 every
# double operation rounds to double, as on x86-64.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86|i[3-6]86)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

# Debian's GCC links only the shared libraries a program uses; Clang's driver must be asked,
# or the package would depend on the C++ library, which the viewer does not use.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_link_options(LINKER:--as-needed)
endif()

# Hardened at least as Debian hardens its own packages (dpkg-buildflags, hardening=+all): the
# strong stack protector, fortified C library calls, full RELRO with immediate binding, and
# position-independent programs; and, where the compiler offers them for the target,
# stack-clash protection and control-flow protection (CET on x86, PAC and BTI on arm64).
# Not in the sanitized build, whose runtime takes the place of the C library's checks.
if(NOT SPIRELLE_SANITIZE)
  include(CheckCXXCompilerFlag)
  include(CheckPIESupported)
  add_compile_options(-fstack-protector-strong -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
  # Clang only warns of a flag that its target has no use for: that is a "no" too.
  set(CMAKE_REQUIRED_FLAGS -Werror)
  foreach(flag -fstack-clash-protection -fcf-protection -mbranch-protection=standard)
    string(MAKE_C_IDENTIFIER "SPIRELLE_CXX_HAS${flag}" offered)
    check_cxx_compiler_flag(${flag} ${offered})
    if(${offered})
      add_compile_options(${flag})
    endif()
  endforeach()
  unset(CMAKE_REQUIRED_FLAGS)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()

function(spirelle_program target)
endfunction()

# Debian wants manual pages and changelogs compressed, without a time stamp in the gzip
# header, so that the same sources give the same package.
function(spirelle_gzipped template output)
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${output} @ONLY)
  add_custom_command(OUTPUT ${output}.gz
                     COMMAND gzip -9nf -k ${output}
                     DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${output}
                     WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} VERBATIM)
endfunction()

macro(spirelle_install)
  include(GNUInstallDirs)
  set(SPIRELLE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/spirelle)

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
  configure_file(data/debian/copyright.in copyright @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
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
endmacro()
