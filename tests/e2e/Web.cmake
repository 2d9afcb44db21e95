# The page's tests: the page built for tests, served on localhost, in headless Chromium, in
# WebKitGTK's MiniBrowser and in Firefox.

# The page's program with hooks that read and set the view state.
add_executable(spirelle_page_probe e2e/state_report.cpp e2e/view_setter.cpp)
target_link_libraries(spirelle_page_probe PRIVATE spirelle_window spirelle_star_field_gl
                                                  spirelle_heap)
target_link_options(spirelle_page_probe PRIVATE -sEXPORTED_RUNTIME_METHODS=UTF8ToString
                                                -Wl,--wrap=glBegin)
spirelle_program(spirelle_page_probe)
spirelle_warnings(spirelle_page_probe)

# The page, served on localhost from the folder cmake --install made.
set(SPIRELLE_WEB_SITE ${CMAKE_BINARY_DIR}/../build-web CACHE PATH "The installed page")
# The desktop's test build draws the frames the canvas must match; without it, that test skips.
set(SPIRELLE_DESKTOP_PROBE ${PROJECT_SOURCE_DIR}/build/tests/spirelle_probe CACHE FILEPATH
    "The desktop viewer's test build, whose frames the page's must equal")
set(SPIRELLE_DESKTOP_SPY ${PROJECT_SOURCE_DIR}/build/instruments/libglspy.so CACHE FILEPATH
    "The desktop build's GL spy, preloaded into its test build")
# Firefox is driven by puppeteer-core from npm, which scripts/build-web.sh installs there.
set(SPIRELLE_PUPPETEER ${CMAKE_BINARY_DIR}/npm/node_modules/puppeteer-core CACHE PATH
    "puppeteer-core's folder, for the tests in Firefox")
foreach(engine page:Page webkit:WebKitPage firefox:FirefoxPage)
  string(REPLACE ":" ";" engine ${engine})
  list(GET engine 0 name)
  list(GET engine 1 tests)
  spirelle_python_test(web.${name} e2e.test_web --site ${SPIRELLE_WEB_SITE}
                       --probe $<TARGET_FILE:spirelle_page_probe>
                       --desktop-probe ${SPIRELLE_DESKTOP_PROBE}
                       --desktop-spy ${SPIRELLE_DESKTOP_SPY}
                       --puppeteer ${SPIRELLE_PUPPETEER} ${tests})
  set_tests_properties(web.${name} PROPERTIES TIMEOUT 600 LABELS e2e FIXTURES_REQUIRED web_site
                                              RESOURCE_LOCK browser)
endforeach()
# The page under test is the one just built: laid out again before the page test runs.
add_test(NAME web.site COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR}
                               --prefix ${SPIRELLE_WEB_SITE})
set_tests_properties(web.site PROPERTIES FIXTURES_SETUP web_site)
