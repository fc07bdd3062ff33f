"""Runtime discovery of the Windows launcher against the real registry of the test's
prefix, JAVA_HOME and PATH, with stand-in runtimes for both machines."""

import os
import shutil
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from hosting_test import HostingTest, TESTJVM  # noqa: E402
from wine_harness import wine, windows_path  # noqa: E402

TARGET = os.environ.get("CORVANE_TARGET", "win32")
OTHER_TESTJVM = os.environ.get("CORVANE_OTHER_TESTJVM", "")
OTHER_LAUNCHER = os.environ.get("CORVANE_OTHER_LAUNCHER", "")
VENDORS = ["Software\\JavaSoft", "Software\\Eclipse Adoptium", "Software\\Microsoft\\JDK",
           "Software\\Azul Systems", "Software\\BellSoft"]


def other_machine_library(path):
    """A stand-in runtime for the other machine: the one built for it, or else a copy of
    this machine's whose PE header names the other one."""
    if OTHER_TESTJVM:
        shutil.copy(OTHER_TESTJVM, path)
        return
    with open(os.path.join(TESTJVM, "testjvm.dll"), "rb") as source:
        image = bytearray(source.read())
    at = struct.unpack_from("<I", image, 0x3C)[0] + 4
    machine = struct.unpack_from("<H", image, at)[0]
    struct.pack_into("<H", image, at, 0x14C if machine == 0x8664 else 0x8664)
    with open(path, "wb") as out:
        out.write(image)


class DiscoveryTest(HostingTest):

    def setUp(self):
        super().setUp()
        self.trace = os.path.join(self.work, "trace.log")
        # No configured library: whatever runs was discovered.
        self.set_strings(e1040="<null>", e1744="1")

    def home(self, name, version, own_machine=True):
        """A Java home with a release file and a stand-in jvm.dll in bin\\server."""
        home = os.path.join(self.work, name)
        library = os.path.join(home, "bin", "server", "jvm.dll")
        os.makedirs(os.path.dirname(library))
        if own_machine:
            shutil.copy(os.path.join(TESTJVM, "testjvm.dll"), library)
        else:
            other_machine_library(library)
        with open(os.path.join(home, "release"), "w") as release:
            release.write('JAVA_VERSION="%s"\n' % version)
        return home

    def register(self, key, value, home, view, root="HKLM"):
        """Writes one registry value in the 32-bit or the 64-bit view."""
        done = wine("reg", "add", root + "\\" + key, "/v", value, "/d", windows_path(home),
                    "/f", "/reg:" + view)
        self.assertEqual(done.returncode, 0, done.stderr)
        vendor = next(v for v in VENDORS if key.startswith(v))
        self.addCleanup(wine, "reg", "delete", root + "\\" + vendor, "/f", "/reg:" + view)

    def launch_traced(self, env=None):
        if os.path.exists(self.trace):
            os.remove(self.trace)
        environment = {"CORVANE_TRACE": windows_path(self.trace), "JAVA_HOME": "",
                       "CORVANE_TESTJVM_LOG": self.log, "CORVANE_TESTJVM_SCRIPT": ""}
        environment.update(env or {})
        run = self.run_launcher(env=environment)
        with open(self.trace, encoding="latin-1") as lines:
            return run, lines.read()

    def test_each_launcher_takes_a_runtime_of_its_own_machine_from_the_registry(self):
        own_view, other_view = ("32", "64") if TARGET == "win32" else ("64", "32")
        self.register("Software\\JavaSoft\\JDK\\11", "JavaHome", self.home("jdk11", "11.0.2"),
                      own_view)
        self.register("Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path",
                      self.home("temurin21", "21.0.1", own_machine=False), own_view)
        self.register("Software\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", "Path",
                      self.home("microsoft17", "17.0.9"), own_view)
        # The current user's keys are one for both machines: found, and passed over.
        self.register("Software\\Azul Systems\\Zulu\\zulu-25", "InstallationPath",
                      self.home("zulu25", "25", own_machine=False), own_view, root="HKCU")
        # The machine's keys for the other machine lie in a view of their own.
        self.register("Software\\BellSoft\\Liberica\\jdk-22", "InstallationPath",
                      self.home("liberica22", "22", own_machine=False), other_view)
        # The home taken is what %JAVA_HOME% means in the class path.
        self.set_strings(e1072="%JAVA_HOME%\\lib\\app.jar")

        run, trace = self.launch_traced()
        self.assertEqual(run.dialogs, [])
        self.assertEqual(run.exit_code, 0)
        taken = windows_path(os.path.join(self.work, "microsoft17"))
        self.assertIn("runtime taken from registry: %s\\bin\\server\\jvm.dll" % taken, trace)
        self.assertIn("option=-Djava.class.path=%s\\lib\\app.jar" % taken, self.logged())
        for home, root, verdict in (("jdk11", "HKLM", "passes"), ("microsoft17", "HKLM", "passes"),
                                    ("temurin21", "HKLM", "rejected, built for "),
                                    ("zulu25", "HKCU", "rejected, built for ")):
            line = [line for line in trace.splitlines() if "\\%s\"," % home in line]
            self.assertEqual(len(line), 1, trace)
            self.assertIn("runtime candidate from registry %s\\Software\\" % root, line[0])
            self.assertIn(": " + verdict, line[0])
        self.assertNotIn("liberica22", trace)

        if OTHER_LAUNCHER:
            shutil.copy(OTHER_LAUNCHER, self.exe)
            self.set_strings(e1040="<null>", e1744="1")
            run, trace = self.launch_traced()
            self.assertEqual(run.exit_code, 0, trace)
            self.assertIn("runtime taken from registry: %s\\bin\\server\\jvm.dll" %
                          windows_path(os.path.join(self.work, "zulu25")), trace)
            self.assertIn("liberica22", trace)
            self.assertNotIn("microsoft17", trace)

    def test_java_home_comes_before_path(self):
        from_variable = self.home("variable", "17.0.2")
        on_path = self.home("onpath", "11.0.21")
        open(os.path.join(on_path, "bin", "java.exe"), "w").close()
        path = {"WINEPATH": windows_path(os.path.join(on_path, "bin"))}

        run, trace = self.launch_traced(dict(path, JAVA_HOME=windows_path(from_variable)))
        self.assertEqual(run.exit_code, 0, trace)
        self.assertIn("runtime taken from JAVA_HOME: " + windows_path(from_variable), trace)

        run, trace = self.launch_traced(path)
        self.assertEqual(run.exit_code, 0, trace)
        self.assertIn("runtime taken from PATH: " + windows_path(on_path), trace)
        # A bound that nothing meets: the configured words name it.
        self.set_strings(e1760="21", e1472="Needs Java %s.")
        run, trace = self.launch_traced(path)
        # The message names the bound; each runtime passed over has a line of its own.
        self.assertEqual(len(run.texts()), 1, run.dialogs)
        lines = run.texts()[0].split("\n")
        self.assertEqual(lines[:2], ["Needs Java 21.", "Java was found but passed over; "
                                     "CORVANE_TRACE=<file> shows why."])
        self.assertIn("- Java 11.0.21 at %s: below RuntimeMinVersion 21" % windows_path(on_path),
                      lines)
        self.assertIn("rejected, below RuntimeMinVersion 21", trace)


if __name__ == "__main__":
    unittest.main()
