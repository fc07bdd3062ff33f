"""One-file Windows launchers under Wine on the stand-in runtime: made by corvane-make
(the Windows build under Wine, and the Linux build signing with osslsigncode), their
archives written to the user's cache and the class path read from there."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from signing_test import LINUX_MAKE, OSSLSIGNCODE, PASSWORD, PASSWORD_ENV, make_keys  # noqa: E402
from wine_harness import WineTestCase, wine, windows_path  # noqa: E402

MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
TARGET = os.environ.get("CORVANE_TARGET", "win32")
STAND_IN_RUNTIME = "j2re1.4.1_02\\bin\\client\\jvm.dll"
ARCHIVES = {"tool.jar": b"PK tool " * 500, "lib/dep.jar": b"PK dep " * 300}


def host_path(path):
    """The host's path of a Wine path (Z: is the host's root)."""
    drive, rest = path.split(":\\", 1)
    if drive.upper() == "Z":
        return os.path.join("/", *rest.split("\\"))
    return os.path.join(os.environ["WINEPREFIX"], "drive_%s" % drive.lower(), *rest.split("\\"))


class OneFileTest(WineTestCase):

    @classmethod
    def setUpClass(cls):
        # Wine gives every program the prefix's own LOCALAPPDATA, whatever the
        # environment says.
        local = wine("cmd", "/c", "echo %LOCALAPPDATA%").stdout.strip()
        cls.archives = os.path.join(host_path(local), "Corvane", "com.example.Tool-archives")

    def setUp(self):
        super().setUp()
        os.remove(self.exe)
        self.source = os.path.join(self.work, "source")
        for name, data in ARCHIVES.items():
            os.makedirs(os.path.dirname(os.path.join(self.source, name)), exist_ok=True)
            with open(os.path.join(self.source, name), "wb") as out:
                out.write(data)
        self.config = os.path.join(self.source, "tool.toml")
        with open(self.config, "w") as out:
            out.write('MainClass = "com.example.Tool"\nClassPath = "tool.jar;lib/dep.jar"\n'
                      "RuntimeLibrary = '%s'\nOneFile = true\nSplashUntilWindow = false\n"
                      % STAND_IN_RUNTIME)
        # The launcher below a folder with a blank, %, ;, = and a letter beyond ASCII.
        self.app_dir = os.path.join(self.work, "Zoë 100%; a=b")
        os.makedirs(self.app_dir)
        self.exe = os.path.join(self.app_dir, "Tool.exe")
        self.install_stand_in_runtime()
        shutil.rmtree(self.archives, True)
        self.addCleanup(shutil.rmtree, self.archives, True)

    def run_tool(self, read=True):
        """Runs the launcher on the stand-in runtime from another folder; gives its Run,
        the host paths of its class path and (with `read`) what they hold."""
        log = os.path.join(self.work, "testjvm.log")
        if os.path.exists(log):
            os.remove(log)
        run = self.run_launcher("one", cwd=self.work, env={
            "CORVANE_TESTJVM_LOG": log, "CORVANE_TESTJVM_SCRIPT": ""})
        with open(log, encoding="latin-1") as lines:
            logged = [line.rstrip("\n") for line in lines]
        self.assertIn("main thread=creator name= argc=1 arg=one", logged)
        [option] = [line for line in logged if line.startswith("option=-Djava.class.path=")]
        paths = [host_path(entry) for entry in option.split("=", 2)[2].split(";")]
        found = []
        for path in paths if read else ():
            with open(path, "rb") as archive:
                found.append(archive.read())
        return run, paths, found

    def test_runs_from_the_cache_and_a_signed_copy_verifies_and_runs_the_same(self):
        done = wine(MAKE, "--config", windows_path(self.config), "--target", TARGET,
                    "--launcher", windows_path(LAUNCHER), "--output", windows_path(self.exe))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("with 2 archives", done.stdout)
        run, paths, found = self.run_tool()
        self.assertEqual((run.exit_code, run.dialogs), (0, []))
        folder = os.path.dirname(paths[0])
        self.assertEqual(os.path.dirname(folder), self.archives)
        self.assertEqual(paths, [os.path.join(folder, *name.split("/")) for name in ARCHIVES])
        self.assertEqual(found, list(ARCHIVES.values()))

        # A cache that cannot be used (a file holds the application's name): the archives
        # go to a temporary folder of the run, which a process of the launcher removes
        # once the run has ended.
        shutil.rmtree(self.archives)
        open(self.archives, "w").close()
        run, temporary, _ = self.run_tool(read=False)  # gone already, or soon
        os.remove(self.archives)
        self.assertEqual((run.exit_code, run.dialogs), (0, []))
        made = os.path.dirname(temporary[0])
        self.assertTrue(os.path.basename(made).startswith("corvane-archives-"), made)
        deadline = time.monotonic() + 20
        while os.path.exists(made):
            self.assertLess(time.monotonic(), deadline, os.listdir(made))
            time.sleep(0.1)

        if not os.path.exists(LINUX_MAKE):
            self.skipTest("the Linux corvane-make is not built: run ./run-tests linux " + TARGET)
        if not OSSLSIGNCODE or not shutil.which("openssl"):
            self.skipTest("osslsigncode or openssl is missing: tools/install-packages packaging")
        keys = tempfile.mkdtemp(prefix="corvane-keys-")
        self.addCleanup(shutil.rmtree, keys, True)
        make_keys(keys)
        sign = os.path.join(keys, "sign.toml")
        with open(sign, "w") as out:
            out.write('[sign]\ncertificate = "code.p12"\npassword-env = "%s"\ntimestamp = []\n'
                      % PASSWORD_ENV)
        signed = subprocess.run(
            [LINUX_MAKE, "--config", self.config, "--config", sign, "--target", TARGET,
             "--launcher", LAUNCHER, "--output", self.exe],
            env=dict(os.environ, **{PASSWORD_ENV: PASSWORD}), stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, text=True, timeout=120)
        self.assertEqual(signed.returncode, 0, signed.stderr)
        self.assertIn("with 2 archives", signed.stdout)

        def verify(path):
            ca = os.path.join(keys, "ca.pem")
            return subprocess.run([OSSLSIGNCODE, "verify", "-in", path, "-CAfile", ca,
                                   "-TSA-CAfile", ca], stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
        verified = verify(self.exe)
        self.assertEqual(verified.returncode, 0, verified.stdout)
        self.assertIn("Signature verification: ok", verified.stdout)
        run, signed_paths, found = self.run_tool()
        self.assertEqual((run.exit_code, run.dialogs), (0, []))
        self.assertEqual(signed_paths, paths)
        self.assertEqual(found, list(ARCHIVES.values()))

        # The signature covers the archives: one byte of one changed, and it fails.
        with open(self.exe, "rb") as exe:
            image = bytearray(exe.read())
        at = image.index(ARCHIVES["lib/dep.jar"])
        image[at + 10] ^= 0xFF
        tampered = os.path.join(self.work, "tampered.exe")
        with open(tampered, "wb") as out:
            out.write(image)
        self.assertNotEqual(verify(tampered).returncode, 0)


if __name__ == "__main__":
    unittest.main()
