# The real viewer on Xvfb, driven by X input: its own suite, a storm of input, its memory, its
# environment, and its package; built for another CPU, its frames against this machine's.

# The viewer as shipped, plus a report of its state at exit, and a view to start paused at.
add_executable(spirelle_probe e2e/state_report.cpp e2e/start_view.cpp)
target_link_libraries(spirelle_probe PRIVATE spirelle_window spirelle_star_field_gl spirelle_heap)
target_link_options(spirelle_probe PRIVATE -Wl,--wrap=glutIdleFunc)
spirelle_warnings(spirelle_probe)

if(SPIRELLE_SANITIZE)
  # Leaks are checked at exit; the suppressions cover the GL driver and X libraries only.
  # The driver is preloaded into the viewer so that reports can name it.
  find_file(MESA_SOFTWARE_DRIVER swrast_dri.so
            PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib/dri REQUIRED)
  set(e2e_environment
      "SPIRELLE_PRELOAD=${MESA_SOFTWARE_DRIVER}"
      "ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:verify_asan_link_order=0"
      "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/sanitizer/lsan.supp:print_suppressions=0"
      "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
      "SPIRELLE_SANITIZED=1")
else()
  set(e2e_environment "SPIRELLE_SANITIZED=")
endif()

set(e2e_builds --viewer $<TARGET_FILE:spirelle> --probe $<TARGET_FILE:spirelle_probe>
               --precomputed $<TARGET_FILE:spirelle_precomputed_frame>
               --spy $<TARGET_FILE:glspy> --counter $<TARGET_FILE:framecount>)
if(CMAKE_CROSSCOMPILING)
  # Built for another CPU: the viewer runs under the emulator. Under QEMU, llvmpipe's LLVM did
  # not get the first frame drawn in a quarter of an hour, so Mesa rasterises with softpipe
  # instead, and so does this machine's build that the frames are compared with.
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
  set(SPIRELLE_DESKTOP_PROBE ${PROJECT_SOURCE_DIR}/build/tests/spirelle_probe CACHE FILEPATH
      "This machine's own test build, whose frames the other CPU's must equal")
  set(SPIRELLE_DESKTOP_SPY ${PROJECT_SOURCE_DIR}/build/instruments/libglspy.so CACHE FILEPATH
      "This machine's GL spy, preloaded into its own test build")
  set(emulation "--emulator=${emulator}")
  list(APPEND e2e_builds ${emulation} --desktop-probe ${SPIRELLE_DESKTOP_PROBE}
                         --desktop-spy ${SPIRELLE_DESKTOP_SPY})
  list(APPEND e2e_environment GALLIUM_DRIVER=softpipe)
endif()
# An end-to-end suite: a test file, or the classes of it named after the file. The storm and
# the long run are two suites, so that a build that skips the long run (the sanitized one)
# still shows the storm as run.
function(spirelle_e2e name file)
  spirelle_python_test(e2e.${name} e2e.test_${file} ${e2e_builds} ${ARGN})
  set_tests_properties(e2e.${name} PROPERTIES TIMEOUT 900 LABELS e2e
                                              ENVIRONMENT "${e2e_environment}")
endfunction()
spirelle_e2e(viewer viewer)
set_tests_properties(e2e.viewer PROPERTIES LABELS "e2e;compilers")
# Installing and packaging are checked on the plain build, the one that would ship.
if(NOT SPIRELLE_SANITIZE)
  spirelle_python_test(install.package e2e.test_install --build-dir ${CMAKE_BINARY_DIR}
                       --counter $<TARGET_FILE:framecount> ${emulation})
  set_tests_properties(install.package PROPERTIES TIMEOUT 300 LABELS install
                                                  ENVIRONMENT "${e2e_environment}")
endif()
if(CMAKE_CROSSCOMPILING)
  # Another CPU's viewer is also held to this machine's frames.
  spirelle_e2e(native_match native_match)
else()
  spirelle_e2e(storm storm Abuse)
  spirelle_e2e(memory storm Memory)
  spirelle_e2e(environment environment)
endif()

# The scripts that install the packages and configure the tests are checked on the plain
# native build. The values pasted into the unit tests are derived again, independently, and
# must all be there.
if(NOT SPIRELLE_SANITIZE AND NOT CMAKE_CROSSCOMPILING)
  spirelle_python_test(vectors.pasted vectors.star_vectors --check
                       ${CMAKE_CURRENT_SOURCE_DIR}/star_field_test.cpp
                       ${CMAKE_CURRENT_SOURCE_DIR}/input_test.cpp)
  spirelle_python_test(scripts.deps scripts.test_deps)
  spirelle_python_test(scripts.test_command scripts.test_test_command)
  spirelle_python_test(scripts.ctest_step scripts.test_ctest_step)
endif()
