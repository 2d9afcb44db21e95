"""scripts/deps.sh against a stand-in apt-get whose security index is broken, with no network."""
import os
import pathlib
import stat
import subprocess
import sys
import tempfile
import unittest

from tests.e2e.harness import run_suite

DEPS = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "deps.sh"
RELEASE = next(line.split("=", 1)[1].strip().strip('"')
               for line in open("/etc/os-release") if line.startswith("VERSION_CODENAME="))

# Each stand-in logs its arguments. apt-get fails every update as a mirror in the middle of a
# sync does, and every install that names no target release (all of them in mode "never").
STAND_INS = {
    "apt-get": """echo "$*" >>"$LOG"
case "$*" in
  *" update") printf '%s\\n' \\
    'Err:6 http://mirror.invalid/debian-security bookworm-security/main i386 Packages' \\
    '  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]' \\
    'E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz' \\
    'E: Some index files failed to download.'; exit 100 ;;
  *" -t "*) [ "$MODE" != never ] && exit 0 ;;
esac
echo 'E: Unable to correct problems, you have held broken packages.'; exit 100""",
    "dpkg-query": '[ "$MODE" = installed ] && echo "install ok installed"; true',
    "dpkg": 'case "$1" in --print-architecture) echo amd64 ;; --print-foreign-architectures) echo i386 ;; esac',
    "sleep": 'echo "$1" >>"$PAUSES"',
    "sudo": 'exec "$@"',
}


class Deps(unittest.TestCase):
    def setUp(self):
        self.dir = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(subprocess.run, ["rm", "-rf", str(self.dir)])
        for name, body in STAND_INS.items():
            path = self.dir / name
            path.write_text("#!/bin/sh\n" + body + "\n")
            path.chmod(path.stat().st_mode | stat.S_IXUSR)
        self.log, self.pauses = self.dir / "apt.log", self.dir / "pauses"

    def deps(self, mode, part="windows-test"):
        env = dict(os.environ, PATH=f"{self.dir}:{os.environ['PATH']}", MODE=mode, LOG=str(self.log),
                   PAUSES=str(self.pauses), SPIRELLE_APT_STAMP=str(self.dir / "stamp"))
        return subprocess.run(["bash", str(DEPS), part], env=env, capture_output=True, text=True,
                              timeout=60)

    def calls(self, verb):
        lines = self.log.read_text().splitlines() if self.log.exists() else []
        return [line for line in lines if line.split()[-1] == verb or f" {verb} " in line]

    def test_a_broken_index_is_a_warning_and_the_main_release_the_fallback(self):
        result = self.deps("target")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr.splitlines(), [
            "deps: warning: apt-get update could not fetch bookworm-security/main i386 Packages"
            " (File has unexpected size (374820 != 376004). Mirror sync in progress?);"
            " installing from the indexes there are",
            "deps: the architectures' versions of some packages disagree; installing again with"
            f" {RELEASE} as the target release"])
        self.assertEqual(len(self.calls("update")), 3)
        self.assertLessEqual(sum(map(int, self.pauses.read_text().split())), 60)
        installs = self.calls("install")
        self.assertEqual([" -t " in call for call in installs], [False, True])
        # No install may take a package away to put another in.
        self.assertTrue(all(" --no-remove " in call for call in installs), installs)
        self.assertIn(f" -t {RELEASE} wine wine64 wine32:i386", installs[1])

        # The next part of the same run does not update the indexes again.
        self.log.unlink()
        self.assertEqual(self.deps("target", "web").returncode, 0)
        self.assertEqual(len(self.calls("update")), 0)

    def test_an_install_that_fails_after_the_fallback_names_its_packages(self):
        result = self.deps("never")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.splitlines()[-1],
                         "deps: could not install wine wine64 wine32:i386 libgl1:i386"
                         " libgl1-mesa-dri:i386 libglx-mesa0:i386 xvfb x11-utils xdotool imagemagick:"
                         " Unable to correct problems, you have held broken packages.")
        self.assertEqual(len(self.calls("install")), 2)
        self.assertNotIn("192.0.2.1", result.stdout + result.stderr)
        self.assertNotIn("mirror.invalid", result.stdout + result.stderr)

    def test_nothing_missing_runs_no_apt_get(self):
        result = self.deps("installed")
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, "", ""))
        self.assertFalse(self.log.exists())


if __name__ == "__main__":
    run_suite(sys.argv[1:])
