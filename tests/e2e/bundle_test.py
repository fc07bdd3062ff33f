"""Bundles for a Windows target made by corvane-make (its Windows build, under Wine):
the stand-in runtime laid out as a runtime image is copied in, and the bundle's
launcher runs on it from its own folder."""

import os
import shutil
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_harness import WineTestCase, wine, windows_path  # noqa: E402

MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
TARGET = os.environ.get("CORVANE_TARGET", "win32")
TESTJVM = os.path.join(os.environ.get("CORVANE_TESTJVM_DIR", ""), "testjvm.dll")


class BundleTest(WineTestCase):

    def make(self, bundle, target=TARGET):
        """Runs corvane-make for a bundle of the tool's two archives at `bundle`."""
        done = wine(MAKE, "--config", windows_path(os.path.join(self.work, "tool.toml")),
                    "--target", target, "--launcher", windows_path(LAUNCHER),
                    "--bundle", windows_path(bundle), timeout=120)
        return done

    def test_bundle_runs_on_the_copied_runtime_and_its_zip_holds_it(self):
        image = os.path.join(self.work, "stand-in runtime")
        os.makedirs(os.path.join(image, "bin", "server"))
        shutil.copy(TESTJVM, os.path.join(image, "bin", "server", "jvm.dll"))
        with open(os.path.join(image, "release"), "w") as out:
            out.write('JAVA_VERSION="17.0.15"\nMODULES="java.base java.desktop"\n')
        for jar in ("tool.jar", "lib/helper.jar"):
            os.makedirs(os.path.join(self.work, "input", os.path.dirname(jar)), exist_ok=True)
            open(os.path.join(self.work, "input", jar), "w").close()
        with open(os.path.join(self.work, "tool.toml"), "w") as out:
            out.write('MainClass = "com.example.Tool"\nClassPath = "tool.jar;lib\\\\helper.jar"\n'
                      'RuntimeLibrary = ""\nSplashUntilWindow = false\nSplashSeconds = 0\n'
                      '[bundle]\nname = "Tool"\ninput = "input"\nruntime = "stand-in runtime"\n'
                      'archive = true\n')
        # A folder with a blank and a letter beyond ASCII, made by the tool.
        bundle = os.path.join(self.work, "Zoë's tools", "tool")
        done = self.make(bundle)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("modules: java.base, java.desktop", done.stdout.splitlines())
        self.assertEqual(sorted(os.listdir(os.path.dirname(bundle))), ["tool", "tool.zip"])

        # From its own folder, with nothing on the Wine machine but the bundle.
        self.exe = os.path.join(bundle, "Tool.exe")
        log = os.path.join(self.work, "testjvm.log")
        trace = os.path.join(self.work, "trace.log")
        run = self.run_launcher("one", cwd=bundle, env={
            "CORVANE_TESTJVM_LOG": log, "CORVANE_TESTJVM_SCRIPT": "",
            "CORVANE_TRACE": windows_path(trace)})
        self.assertEqual((run.exit_code, run.dialogs), (0, []))
        with open(log, encoding="latin-1") as lines:
            logged = [line.rstrip("\n") for line in lines]
        self.assertIn("option=-Djava.class.path={0}\\app\\tool.jar;{0}\\app\\lib\\helper.jar"
                      .format(windows_path(bundle)), logged)
        self.assertIn("main thread=creator name= argc=1 arg=one", logged)
        with open(trace, encoding="latin-1") as lines:
            self.assertIn("runtime library %s\\runtime\\bin\\server\\jvm.dll" % windows_path(bundle),
                          lines.read())

        with zipfile.ZipFile(bundle + ".zip") as archive:
            self.assertIsNone(archive.testzip())
            self.assertEqual(sorted(archive.namelist()), [
                "tool/", "tool/Tool.exe", "tool/app/", "tool/app/lib/", "tool/app/lib/helper.jar",
                "tool/app/tool.jar", "tool/runtime/", "tool/runtime/bin/",
                "tool/runtime/bin/server/", "tool/runtime/bin/server/jvm.dll",
                "tool/runtime/release"])
            with open(TESTJVM, "rb") as original:
                self.assertEqual(archive.read("tool/runtime/bin/server/jvm.dll"), original.read())

        # A runtime of the other machine is refused, and the folders made for the bundle go.
        other = "win32" if TARGET == "win64" else "win64"
        made = os.path.join(self.work, "other tools", "tool")
        done = self.make(made, target=other)
        self.assertEqual(done.returncode, 1)
        self.assertIn("jvm.dll: a runtime for %s, but the %s launcher is for %s and cannot "
                      "load it" % ("x86-64" if TARGET == "win64" else "i386", other,
                                   "i386" if other == "win32" else "x86-64"), done.stderr)
        self.assertFalse(os.path.exists(os.path.dirname(made)))


if __name__ == "__main__":
    unittest.main()
