"""The Windows program: how it was built, then its zip unpacked and run under Wine on Xvfb."""
import glob
import os
import re
import shutil
import struct
import subprocess
import time
import unittest
import zipfile

import pefile

from instruments.xserver import Viewer, Xvfb
from tests.e2e.harness import run_tests

BUILD = {}
SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# What Windows itself provides: the program must need no other DLL.
WINDOWS_DLLS = {"advapi32.dll", "gdi32.dll", "glu32.dll", "kernel32.dll", "msvcrt.dll",
                "opengl32.dll", "user32.dll", "winmm.dll"}
# Wine started through QEMU takes close to a minute before its first window.
STARTUP_SECONDS = 600


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, check=True, **kwargs).stdout


class Binary(unittest.TestCase):
    def test_a_32_bit_console_program_that_needs_only_windows(self):
        program = BUILD["viewer"]
        # Read from the headers, not from file(1), whose wording changes between releases.
        headers = pefile.PE(program, fast_load=True)
        self.assertEqual(headers.FILE_HEADER.Machine, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"])
        self.assertEqual(headers.OPTIONAL_HEADER.Magic, pefile.OPTIONAL_HEADER_MAGIC_PE)
        self.assertEqual(headers.OPTIONAL_HEADER.Subsystem,
                         pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"])
        imports = re.findall(r"DLL Name: (\S+)", run("i686-w64-mingw32-objdump", "-p", program))
        self.assertLessEqual({name.lower() for name in imports}, WINDOWS_DLLS)
        # Data execution prevention and address space layout randomisation, which Windows
        # applies only to programs that say they are ready for them.
        flags = headers.OPTIONAL_HEADER.DllCharacteristics
        for name, bit in (("NX_COMPAT", 0x100), ("DYNAMIC_BASE", 0x40)):
            self.assertTrue(flags & bit, "%s not set: 0x%x" % (name, flags))

    def test_glut_gets_the_c_runtime_exit_on_windows(self):
        main = next(o for o in BUILD["objects"].split(";") if o.endswith("main.cpp.obj"))
        undefined = set(re.findall(r"^\s+U (\S+)$", run("i686-w64-mingw32-nm", main), re.M))
        self.assertLessEqual({"___glutInitWithExit", "___glutCreateWindowWithExit"}, undefined)
        self.assertFalse({"_glutInit", "_glutCreateWindow"} & undefined)


    def test_carries_the_galaxy_icon_and_its_version(self):
        program = pefile.PE(BUILD["viewer"])
        strings = {key.decode(): value.decode()
                   for info in program.FileInfo[0] if info.Key == b"StringFileInfo"
                   for table in info.StringTable for key, value in table.entries.items()}
        version = BUILD["version"]
        self.assertEqual(strings["ProductName"], "Spirelle")
        self.assertEqual((strings["ProductVersion"], strings["FileVersion"]), (version, version))
        self.assertIn("MIT licence", strings["LegalCopyright"])
        self.assertIn("galaxy", strings["FileDescription"])
        fixed = program.VS_FIXEDFILEINFO[0]
        self.assertEqual("%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                                       fixed.FileVersionLS >> 16), version)
        # The icon group lists every size of data/icons/spirelle.ico, each present as an icon.
        with open(os.path.join(SOURCE_DIR, "data", "icons", "spirelle.ico"), "rb") as ico:
            icon = ico.read()
        sizes = sorted(struct.unpack_from("<B", icon, 6 + 16 * i)[0] or 256
                       for i in range(struct.unpack_from("<H", icon, 4)[0]))
        resources = {entry.id: entry for entry in program.DIRECTORY_ENTRY_RESOURCE.entries}
        group = resources[pefile.RESOURCE_TYPE["RT_GROUP_ICON"]].directory.entries[0]
        data = group.directory.entries[0].data.struct
        header = program.get_data(data.OffsetToData, data.Size)
        count = struct.unpack_from("<H", header, 4)[0]
        listed = sorted(struct.unpack_from("<B", header, 6 + 14 * i)[0] or 256 for i in range(count))
        self.assertEqual(listed, sizes)
        self.assertEqual(len(resources[pefile.RESOURCE_TYPE["RT_ICON"]].directory.entries), count)


class Zip(unittest.TestCase):
    def unpacked_program(self):
        """The zip made by CPack, unpacked onto the Wine prefix's drive C."""
        run("cpack", cwd=BUILD["build_dir"])
        (archive,) = glob.glob(os.path.join(BUILD["build_dir"], "spirelle-*-win32.zip"))
        target = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Spirelle")
        shutil.rmtree(target, ignore_errors=True)
        self.addCleanup(shutil.rmtree, target, ignore_errors=True)
        with zipfile.ZipFile(archive) as contents:
            (folder,) = {name.split("/")[0] for name in contents.namelist()}
            self.assertEqual(sorted(os.path.basename(n) for n in contents.namelist()),
                             ["LICENSE.txt", "README.txt", "spirelle.exe"])
            contents.extractall(target)
        return os.path.join(target, folder, "spirelle.exe")

    def test_draws_the_galaxy_pauses_and_quits(self):
        program = self.unpacked_program()
        with Xvfb() as xvfb:
            # Wine's OpenGL errors, and only those, reach the viewer's standard error.
            viewer = Viewer(xvfb, "wine", [program], timeout=STARTUP_SECONDS,
                            env={"WINEDEBUG": "-all,err+wgl"})
            self.addCleanup(viewer.close)
            title, _, size = viewer.geometry()
            self.assertEqual((title, size), ("Spirelle", (480, 240)))

            # No counter can be preloaded into a Windows program: its pictures tell instead.
            # A window still black after a minute has no OpenGL, or drew nothing with it.
            deadline = time.monotonic() + 60
            while viewer.screenshot().colours() == {b"\x00\x00\x00"} and time.monotonic() < deadline:
                time.sleep(0.5)
            viewer.keys("space")
            still = viewer.steady_screenshot(interval=2)
            if still.colours() == {b"\x00\x00\x00"}:
                self.fail_for_want_of_opengl(viewer)
            time.sleep(2)
            self.assertEqual(viewer.screenshot(), still, "the galaxy moves while paused")
            self.assertEqual(still.colours(), {b"\xff\xff\xff", b"\x00\x00\x00"})
            # White points spread over a disc, not only along the two axes through the centre.
            off_axes = [(x, y) for x, y in still.lit()
                        if abs(x - still.width // 2) > 2 and abs(y - still.height // 2) > 2]
            self.assertGreater(len(off_axes), 3000)

            viewer.keys("Right")
            self.assertNotEqual(viewer.steady_screenshot(interval=2), still,
                                "Right does not change the picture")
            self.assertEqual(viewer.quit(timeout=STARTUP_SECONDS), 0, viewer.stderr)

    def fail_for_want_of_opengl(self, viewer):
        """A black window: says whether Wine found no OpenGL, or drew nothing with it."""
        viewer.process.kill()
        out, err = viewer.process.communicate()
        if "OpenGL support is disabled" in err:
            self.fail("Wine has no OpenGL (\"OpenGL support is disabled\"); is libgl1:i386 "
                      "installed? " + " | ".join(line for line in err.splitlines() if "wgl" in line))
        self.fail("the window stays black: no OpenGL context drew into it. " + out[:300] + err[-300:])


if __name__ == "__main__":
    run_tests(BUILD)
