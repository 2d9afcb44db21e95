"""The tests: the end-to-end suites, the checks of the scripts, and the derived values."""
