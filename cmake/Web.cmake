# The web: Emscripten's GLUT makes the WebGL context, and web/gl_layer.cpp is the OpenGL 1.1
# and GLU the viewer calls, drawn with WebGL; the page is a static folder that any web server
# can serve, laid out by cmake --install.
add_library(spirelle_web_gl STATIC web/gl_layer.cpp)
# The layer needs no WebGL extension; Emscripten would otherwise ask for a dozen at start-up,
# each a wait for the GPU process (about 180 ms of the main thread here).
target_link_options(spirelle_web_gl INTERFACE -lGL -lglut -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0)
# Its matrices are products in single precision, each operation rounded.
target_compile_options(spirelle_web_gl PRIVATE -ffp-contract=off)
spirelle_warnings(spirelle_web_gl)
foreach(name GLUT::GLUT OpenGL::GLU OpenGL::GL)
  add_library(${name} ALIAS spirelle_web_gl)
endforeach()

# The batch loops vectorise to WebAssembly's 128-bit SIMD, with the same bits as scalar code.
set(SPIRELLE_NUMERICS_FLAGS -msimd128)

# A program for the page, with the web's own layer: an exit() that ends the runtime, GLUT's
# idle and redisplay run by animation frames (web/glut_frames.js), and GLUT's listeners
# mended (web/glut_fixes.js).
function(spirelle_program target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/web/force_exit.cpp)
  # No eval and no new Function, which the page's policy forbids.
  target_link_options(${target} PRIVATE -sEXIT_RUNTIME=1 -sDYNAMIC_EXECUTION=0 -Wl,--wrap=exit
                      "SHELL:--js-library ${PROJECT_SOURCE_DIR}/web/glut_frames.js"
                      "SHELL:--post-js ${PROJECT_SOURCE_DIR}/web/glut_fixes.js")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
               ${PROJECT_SOURCE_DIR}/web/glut_frames.js ${PROJECT_SOURCE_DIR}/web/glut_fixes.js)
  # An OpenGL call that web/gl_layer.cpp lacks would link to Emscripten's WebGL function of
  # that name and bypass the layer: it fails the build instead.
  add_custom_command(TARGET ${target} POST_BUILD VERBATIM COMMAND sh -c
    "if grep -o 'function _gl[A-Z][A-Za-z0-9]*' \"$0\"; then echo \"$0: OpenGL calls outside web/gl_layer.cpp\" >&2; rm -f \"$0\"; exit 1; fi"
    $<TARGET_FILE:${target}>)
endfunction()

macro(spirelle_install)
  install(FILES web/index.html web/page.js web/page.css web/manifest.webmanifest DESTINATION .)
  install(FILES data/icons/spirelle-48.png DESTINATION . RENAME favicon.png)
  install(FILES data/icons/spirelle-192.png DESTINATION . RENAME icon-192.png)
  install(FILES data/icons/spirelle-512.png DESTINATION . RENAME icon-512.png)
  install(FILES $<TARGET_FILE:spirelle> $<TARGET_FILE_DIR:spirelle>/spirelle.wasm DESTINATION .)
  # The offline cache's worker, named after a digest of the files it caches.
  install(CODE "
    set(digests \"\")
    foreach(file index.html page.js page.css manifest.webmanifest spirelle.js spirelle.wasm)
      file(SHA256 \"\${CMAKE_INSTALL_PREFIX}/\${file}\" digest)
      string(APPEND digests \${digest})
    endforeach()
    string(SHA256 digest \"\${digests}\")
    string(SUBSTRING \${digest} 0 16 SPIRELLE_BUILD_ID)
    configure_file(\"${PROJECT_SOURCE_DIR}/web/service_worker.js.in\"
                   \"\${CMAKE_INSTALL_PREFIX}/service_worker.js\" @ONLY)
  ")
  # The page as one archive for a static host: cpack makes spirelle-VERSION-web.zip.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME spirelle-${PROJECT_VERSION}-web)
  include(CPack)
endmacro()
