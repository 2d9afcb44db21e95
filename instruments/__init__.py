"""What the tests and the benchmarks share: drivers for the viewer on X (xserver) and for the
page in a browser (browser), and the page's server on localhost (site)."""
