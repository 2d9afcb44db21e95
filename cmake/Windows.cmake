# Windows: a 32-bit console program, cross-built with mingw-w64 (cmake/i686-w64-mingw32.cmake),
# with freeglut linked statically, shipped as a zip of the program, its README and licence.
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
# freeglut built as a static library, so that the program needs no DLL of its own.
find_package(FreeGLUT CONFIG REQUIRED)
add_library(GLUT::GLUT ALIAS FreeGLUT::freeglut_static)

# 32-bit x86 compilers default to x87 maths, whose 80-bit intermediates the fast star
# arithmetic cannot rely on (it falls back to the plain formulas there); with SSE2 every
# double operation rounds to double, as on x86-64.
add_compile_options(-msse2 -mfpmath=sse)
# No build time in the program's header, so that the same sources make the same program.
add_link_options(LINKER:--no-insert-timestamp)

function(spirelle_program target)
endfunction()

macro(spirelle_install)
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
endmacro()
