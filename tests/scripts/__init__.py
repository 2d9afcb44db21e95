"""Checks of the scripts that install packages and configure the tests."""
