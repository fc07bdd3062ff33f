"""tools/install-packages on machines that lack what it checks for: the real script
against the real dpkg-query, with a machine's differences put in front of it on PATH."""

import os
import shutil
import subprocess
import tempfile
import unittest

SOURCE_DIR = os.environ.get("CORVANE_SOURCE_DIR", "")
SCRIPT = os.path.join(SOURCE_DIR, "tools", "install-packages")

# Passes the query to the real dpkg-query but leaves cmake out of its answer and exits 1,
# as dpkg-query does when one of the names was never installed.
WITHOUT_CMAKE = """#!/bin/sh
/usr/bin/dpkg-query "$@" | grep -v '^ii *cmake:'
exit 1
"""


class InstallPackagesTest(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="corvane-install-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.bin = os.path.join(self.work, "bin")
        os.mkdir(self.bin)

    def put_on_path(self, name, text):
        path = os.path.join(self.bin, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o755)

    def run_script(self, *groups, script=SCRIPT, path=None, mode="print"):
        env = dict(os.environ, CORVANE_INSTALL=mode,
                   PATH=path or self.bin + ":" + os.environ["PATH"])
        return subprocess.run([script, *groups], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=60)

    def test_a_package_that_is_not_installed_is_installed(self):
        self.put_on_path("dpkg-query", WITHOUT_CMAKE)
        done = self.run_script("linux")
        self.assertEqual(done.returncode, 0, done.stderr)
        install = [line for line in done.stdout.splitlines()
                   if line.startswith(("apt-get install", "sudo apt-get install"))]
        self.assertEqual(len(install), 1, done.stdout)
        self.assertIn(" cmake", install[0])
        self.assertIn("installing with apt-get", done.stdout)

    def test_every_failure_says_why(self):
        # A copy of the script whose linux group names a package that does not exist.
        bogus = os.path.join(self.work, "install-packages")
        with open(SCRIPT) as f:
            text = f.read().replace('[linux]="cmake ', '[linux]="corvane-no-such-package cmake ')
        with open(bogus, "w") as f:
            f.write(text)
        os.chmod(bogus, 0o755)
        # A machine with bash but neither apt-get nor dpkg-query.
        bare = os.path.join(self.work, "bare")
        os.mkdir(bare)
        os.symlink(shutil.which("bash"), os.path.join(bare, "bash"))
        arm64 = '#!/bin/sh\n[ "$1" = --print-architecture ] && echo arm64 || /usr/bin/dpkg "$@"\n'
        broken_dpkg = "#!/bin/sh\necho 'dpkg: database is locked' >&2\nexit 2\n"
        cases = [
            ("unknown package", dict(script=bogus), ["linux"],
             "no package named corvane-no-such-package"),
            ("no dpkg-query", dict(path=bare), ["linux"], "no apt-get or dpkg-query"),
            ("unknown architecture", dict(dpkg=arm64), ["wine"], "cannot"),
            ("dpkg fails", dict(dpkg=broken_dpkg), ["linux"], "dpkg --print-architecture"),
            ("unknown mode", dict(mode="maybe"), ["linux"], "CORVANE_INSTALL"),
            ("unknown group", {}, ["linux", "gui"], 'unknown group "gui"'),
        ]
        for name, how, groups, said in cases:
            with self.subTest(name):
                for stale in os.listdir(self.bin):
                    os.remove(os.path.join(self.bin, stale))
                if "dpkg" in how:
                    self.put_on_path("dpkg", how.pop("dpkg"))
                if name == "unknown architecture":
                    self.put_on_path("dpkg-query", "#!/bin/sh\nexit 1\n")
                done = self.run_script(*groups, **how)
                self.assertNotEqual(done.returncode, 0)
                self.assertIn("install-packages: ", done.stderr)
                self.assertIn(said, done.stderr)


if __name__ == "__main__":
    unittest.main()
