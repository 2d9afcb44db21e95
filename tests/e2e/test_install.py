"""Installing the viewer: cmake --install into a prefix, and the Debian package made by CPack."""
import glob
import gzip
import os
import shutil
import struct
import subprocess
import tempfile
import unittest

from instruments.xserver import Viewer, Xvfb
from tests.e2e.harness import run_tests

BUILD = {}
ICON_SIZES = (48, 128, 256)
# The libraries the viewer links: C library, freeglut, GLU and GL (through GLVND), and on
# armhf GCC's support library (unwinding, 64-bit integers to float).
RUNTIME_PACKAGES = {"libc6", "libglut3.12", "libglu1-mesa", "libglu1", "libglx0",
                    "libopengl0", "libgl1", "libgcc-s1"}


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, check=True, **kwargs)


class Install(unittest.TestCase):
    def temporary_directory(self):
        path = tempfile.mkdtemp(prefix="spirelle-install-")
        self.addCleanup(shutil.rmtree, path)
        return path

    def assertRunsAsAWindow(self, binary):
        with Xvfb() as xvfb:
            viewer = Viewer(xvfb, binary)
            self.addCleanup(viewer.close)
            title, _, _ = viewer.geometry()
            self.assertEqual(title, "Spirelle")
            self.assertEqual(viewer.quit(), 0)

    def test_cmake_install_lays_out_a_desktop_program(self):
        prefix = self.temporary_directory()
        run("cmake", "--install", BUILD["build_dir"], "--prefix", prefix)
        binary = os.path.join(prefix, "bin", "spirelle")
        self.assertTrue(os.access(binary, os.X_OK))

        manual = os.path.join(prefix, "share", "man", "man6", "spirelle.6.gz")
        with gzip.open(manual) as f:
            rendered = run("groff", "-man", "-Tutf8", "-ww", input=f.read().decode())
        self.assertEqual(rendered.stderr, "")
        page = run("man", "-l", manual, env=dict(os.environ, MANWIDTH="80")).stdout
        for text in ("SPIRELLE(6)", "CONTROLS", "-geometry", "EXIT STATUS", "at line 82"):
            self.assertIn(text, page)

        entry = os.path.join(prefix, "share", "applications", "spirelle.desktop")
        self.assertEqual(run("desktop-file-validate", entry).stdout, "")
        (metainfo,) = glob.glob(os.path.join(prefix, "share", "metainfo", "*.metainfo.xml"))
        validation = run("appstreamcli", "validate", "--no-net", "--no-color", metainfo).stdout
        self.assertNotRegex(validation, r"(?m)^[EW]:", validation)

        docs = os.path.join(prefix, "share", "doc", "spirelle")
        with open(os.path.join(docs, "copyright")) as f:
            self.assertIn("License: MIT", f.read())
        with gzip.open(os.path.join(docs, "changelog.gz"), "rt") as f:
            self.assertRegex(f.readline(), r"^spirelle \(\d+\.\d+\.\d+\) ")

        for size in ICON_SIZES:
            icon = os.path.join(prefix, "share", "icons", "hicolor", f"{size}x{size}", "apps",
                                "spirelle.png")
            with open(icon, "rb") as f:
                header = f.read(24)
            self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
            self.assertEqual(struct.unpack(">II", header[16:24]), (size, size))

        self.assertRunsAsAWindow(binary)

    def test_debian_package_installs_and_runs(self):
        packages = self.temporary_directory()
        run("cpack", "-B", packages, cwd=BUILD["build_dir"])
        (deb,) = [os.path.join(packages, f) for f in os.listdir(packages) if f.endswith(".deb")]

        # Informational tags may stay; errors and warnings fail the package.
        lintian = subprocess.run(["lintian", "--fail-on", "error,warning", deb],
                                 capture_output=True, text=True)
        self.assertEqual(lintian.returncode, 0, lintian.stdout + lintian.stderr)

        depends = run("dpkg-deb", "-f", deb, "Depends").stdout
        names = {alternative.split()[0] for dependency in depends.split(",")
                 for alternative in dependency.split("|")}
        self.assertLessEqual(names, RUNTIME_PACKAGES)
        self.assertIn("libglut3.12", names)

        if os.geteuid() == 0:
            run("dpkg", "-i", deb)
            self.addCleanup(run, "dpkg", "-r", "spirelle")
            binary = "/usr/bin/spirelle"
            self.assertIn("spirelle.6.gz", run("dpkg", "-L", "spirelle").stdout)
        else:
            root = self.temporary_directory()
            run("dpkg", "-x", deb, root)
            binary = os.path.join(root, "usr", "bin", "spirelle")
        self.assertRunsAsAWindow(binary)


if __name__ == "__main__":
    run_tests(BUILD)
