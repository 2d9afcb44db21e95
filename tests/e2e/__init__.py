"""The end-to-end suites: the real viewer on Xvfb, under Wine and QEMU, and the page in browsers."""
