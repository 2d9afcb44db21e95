# The Windows program: how it was built (no Wine needed), then its zip run under Wine.
set(windows_test e2e.test_windows --build-dir ${CMAKE_BINARY_DIR} --viewer $<TARGET_FILE:spirelle>
                 --version ${PROJECT_VERSION}
                 "--objects=$<TARGET_OBJECTS:spirelle_window>")
spirelle_python_test(windows.binary ${windows_test} Binary)
spirelle_python_test(windows.zip ${windows_test} Zip)
set_tests_properties(windows.zip PROPERTIES TIMEOUT 1800 LABELS e2e)
