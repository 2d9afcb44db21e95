"""Installing the viewer: cmake --install into a prefix, and the Debian package made by CPack."""
import glob
import gzip
import os
import shutil
import struct
import subprocess
import sys
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


def run(*args, check=True, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, check=check, **kwargs)


def installed(package):
    """The machine's package of that name, as its version and its files' MD5 sums, or None."""
    query = run("dpkg-query", "-W", "-f=${Status} ${Version}", package, check=False)
    if not query.stdout.startswith("install ok installed"):
        return None
    listed = run("dpkg-query", "-L", package).stdout.split()
    files = sorted(path for path in listed if os.path.isfile(path))
    sums = run("md5sum", *files).stdout if files else ""
    return query.stdout.split()[-1], sums


def stand_in(folder):
    """A package named spirelle, of a version and with a file that no build makes."""
    tree = os.path.join(folder, "stand-in")
    os.makedirs(os.path.join(tree, "DEBIAN"))
    os.makedirs(os.path.join(tree, "usr", "share", "doc", "spirelle"))
    with open(os.path.join(tree, "usr", "share", "doc", "spirelle", "stand-in"), "w") as f:
        f.write("Installed by the package test's check, and removed after it.\n")
    with open(os.path.join(tree, "DEBIAN", "control"), "w") as f:
        f.write("Package: spirelle\nVersion: 0.0.0~stand-in\nArchitecture: all\n"
                "Maintainer: The Spirelle developers <dev@spirelle.invalid>\n"
                "Description: stand-in for the package test\n")
    deb = os.path.join(folder, "stand-in.deb")
    run("dpkg-deb", "--root-owner-group", "-b", tree, deb)
    return deb


class Install(unittest.TestCase):
    def temporary_directory(self):
        path = tempfile.mkdtemp(prefix="spirelle-install-")
        self.addCleanup(shutil.rmtree, path)
        return path

    def assertRunsAsAWindow(self, binary):
        """Its window, and in it, once paused, a disc of white stars on black."""
        with Xvfb() as xvfb:
            viewer = Viewer(xvfb, binary)
            self.addCleanup(viewer.close)
            title, _, _ = viewer.geometry()
            self.assertEqual(title, "Spirelle")
            viewer.keys("space")
            shot = viewer.settled_screenshot()
            self.assertEqual(shot.colours(), {b"\xff\xff\xff", b"\x00\x00\x00"})
            self.assertGreater(len(shot.lit()), 1000)
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
        # The package given (built on another Debian release), or else cpack's of this build.
        deb = BUILD["package"]
        if not deb:
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

        # Installed by dpkg into a throwaway root with a package database of its own, never
        # into the machine's (where it would replace a Spirelle the user installed); without
        # root, unpacked only.
        root = self.temporary_directory()
        if os.geteuid() == 0:
            admin = os.path.join(root, "var", "lib", "dpkg")
            for folder in ("info", "updates", "triggers", "../../log"):
                os.makedirs(os.path.join(admin, folder))
            open(os.path.join(admin, "status"), "w").close()
            # Its libraries are the machine's, not the throwaway root's; another CPU's package
            # is for an architecture that the empty database does not know.
            run("dpkg", "--root", root, "--force-depends", "--force-architecture", "-i", deb)
            self.assertIn("/usr/share/man/man6/spirelle.6.gz",
                          run("dpkg", "--root", root, "-L", "spirelle").stdout)
        else:
            run("dpkg", "-x", deb, root)
        binary = os.path.join(root, "usr", "bin", "spirelle")
        self.assertHardened(binary)
        self.assertRunsAsAWindow(binary)

    def assertHardened(self, binary):
        """As Debian's own programs: Debian's hardening-check finds each protection."""
        checked = run("hardening-check", binary, check=False)
        print(checked.stdout, end="")
        for protection in ("Position Independent Executable", "Stack protected",
                           "Fortify Source functions", "Read-only relocations",
                           "Immediate binding"):
            self.assertRegex(checked.stdout, r"(?m)^ %s: yes" % protection)

    def test_the_package_test_leaves_an_installed_spirelle_as_it_was(self):
        # What the machine has of a package named spirelle, before and after the package test:
        # the user's own, or else, as root, a stand-in installed for this and removed after it.
        if os.geteuid() == 0 and not installed("spirelle"):
            run("dpkg", "-i", stand_in(self.temporary_directory()))
            self.addCleanup(run, "dpkg", "--purge", "spirelle")
        before = installed("spirelle")
        emulation = ["--emulator", BUILD["emulator"]] if BUILD["emulator"] else []
        run(sys.executable, "-m", "tests.e2e.test_install", "--build-dir", BUILD["build_dir"],
            "--counter", BUILD["counter"], *emulation,
            "Install.test_debian_package_installs_and_runs")
        self.assertEqual(installed("spirelle"), before)

if __name__ == "__main__":
    run_tests(BUILD)
