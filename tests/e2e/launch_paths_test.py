"""Paths under Wine: a Windows bundle (the stand-in runtime laid out as a runtime image)
started with every start directory setting, from anywhere and through a link, and the
paths that must not stop a launch."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_harness import Run, WineTestCase, wine, windows_path  # noqa: E402

MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
TARGET = os.environ.get("CORVANE_TARGET", "win32")
TESTJVM = os.path.join(os.environ.get("CORVANE_TESTJVM_DIR", ""), "testjvm.dll")


class LaunchPathsTest(WineTestCase):

    def logged_run(self, exe, cwd, direct=False):
        """Runs `exe` from `cwd` on the stand-in: through run_exit_code with its boxes
        read, or `direct`ly by Wine's own loader (Wine's CreateProcessW refuses a program
        path beyond MAX_PATH). Gives the Run, the stand-in's log as bytes (options are in
        the ANSI code page, Java strings in UTF-8) and the trace's lines."""
        self.exe = exe
        log = os.path.join(self.work, "testjvm.log")
        trace = os.path.join(self.work, "trace.log")
        env = {"CORVANE_TESTJVM_LOG": log, "CORVANE_TESTJVM_SCRIPT": "",
               "CORVANE_TRACE": windows_path(trace)}
        if direct:
            done = wine(exe, cwd=cwd, env=env)
            run = Run([done.returncode], [], done.stdout, done.stderr)
        else:
            run = self.run_launcher(cwd=cwd, env=env)
        logged, traced = b"", []
        if os.path.exists(log):
            with open(log, "rb") as lines:
                logged = lines.read()
            os.remove(log)
        if os.path.exists(trace):
            with open(trace, encoding="cp1252") as lines:
                traced = [line.rstrip("\n") for line in lines]
            os.remove(trace)
        return run, logged, traced

    def test_a_bundle_starts_with_every_setting_from_anywhere_and_through_a_link(self):
        image = os.path.join(self.work, "image")
        os.makedirs(os.path.join(image, "bin", "server"))
        shutil.copy(TESTJVM, os.path.join(image, "bin", "server", "jvm.dll"))
        with open(os.path.join(image, "release"), "w") as out:
            out.write('JAVA_VERSION="17.0.15"\n')
        os.makedirs(os.path.join(self.work, "input"))
        open(os.path.join(self.work, "input", "tool.jar"), "w").close()
        # A ';' would split the class path of a real runtime on Windows: the folder has
        # the other characters. One bundle for each start directory setting.
        folder = os.path.join(self.work, "Zoë's 50%=x")
        for name, setting in (("tool", ""), ("return", "ReturnToStartDirectory = true\n"),
                              ("in-app", 'WorkingDirectory = "app"\n')):
            config = os.path.join(self.work, name + ".toml")
            with open(config, "w") as out:
                out.write('MainClass = "com.example.Tool"\nClassPath = "tool.jar"\n%s'
                          '[bundle]\nname = "Tool"\ninput = "input"\nruntime = "image"\n'
                          % setting)
            done = wine(MAKE, "--config", windows_path(config), "--target", TARGET,
                        "--launcher", windows_path(LAUNCHER),
                        "--bundle", windows_path(os.path.join(folder, name)), timeout=120)
            self.assertEqual(done.returncode, 0, done.stderr)
        bundle = os.path.join(folder, "tool")
        start = os.path.join(self.work, "Rhino Zoë")
        os.makedirs(start)
        os.symlink(os.path.join(bundle, "Tool.exe"), os.path.join(start, "Tool-link.exe"))
        home = windows_path(bundle)
        rows = [
            # bundle, launcher, started from, user.dir expected
            ("return", "Tool.exe", "/", "Z:\\"),
            ("return", "Tool.exe", start, windows_path(start)),
            ("in-app", "Tool.exe", "/", windows_path(os.path.join(folder, "in-app", "app"))),
            ("in-app", "Tool.exe", start, windows_path(os.path.join(folder, "in-app", "app"))),
            ("tool", "Tool.exe", "/", home),
            ("tool", "Tool.exe", start, home),
            ("tool", os.path.join(start, "Tool-link.exe"), "/", home),
            ("tool", os.path.join(start, "Tool-link.exe"), start, home),
        ]
        for name, launcher, cwd, user_dir in rows:
            with self.subTest(bundle=name, launcher=launcher, cwd=cwd):
                place = windows_path(os.path.join(folder, name))
                run, log, trace = self.logged_run(os.path.join(folder, name, launcher), cwd)
                self.assertEqual((run.exit_code, run.dialogs), (0, []))
                self.assertIn(("option=-Djava.class.path=%s\\app\\tool.jar\n" % place)
                              .encode("cp1252"), log)
                self.assertIn(("set_property user.dir=%s\n" % user_dir).encode(), log)
                self.assertTrue(any(line.endswith("] runtime library %s\\runtime\\bin\\server"
                                                  "\\jvm.dll" % place) for line in trace), trace)

    def test_paths_that_must_not_stop_a_launch(self):
        long_folder = os.path.join(self.work, *["l" * 60] * 5)  # 300 bytes and more
        odd = os.path.join(self.work, "cp;q")
        os.makedirs(odd)
        open(os.path.join(odd, "tool.jar"), "w").close()
        rows = [
            # folder of the launcher, its entries, the class path expected
            ("a '%' in the install path", os.path.join(self.work, "50%off"), {},
             "option=-Djava.class.path={0}\\Quillmark.jar;{0}\\jh.jar"),
            ("an absolute MainJar below a ';'", os.path.join(self.work, "bin"),
             {"e1888": windows_path(os.path.join(odd, "tool.jar"))},
             "option=-Djava.class.path=%s\\tool.jar;{0}\\Quillmark.jar;{0}\\jh.jar"
             % windows_path(odd)),
            ("a launcher path beyond 260 bytes", long_folder, {},
             "option=-Djava.class.path={0}\\Quillmark.jar;{0}\\jh.jar"),
        ]
        for name, folder, entries, expected in rows:
            with self.subTest(name):
                self.exe = os.path.join(folder, "Quillmark.exe")
                runtime = os.path.join(folder, "j2re1.4.1_02", "bin", "client", "jvm.dll")
                os.makedirs(os.path.dirname(runtime))
                shutil.copy(TESTJVM, runtime)
                for jar in ("Quillmark.jar", "jh.jar"):
                    open(os.path.join(folder, jar), "w").close()
                shutil.copy(LAUNCHER, self.exe)
                self.set_strings(e1408="0", **entries)
                run, log, _ = self.logged_run(self.exe, self.work, folder == long_folder)
                self.assertEqual((run.exit_code, run.dialogs), (0, []))
                expected = expected.format(windows_path(folder))
                self.assertIn((expected + "\n").encode("cp1252"), log)


if __name__ == "__main__":
    unittest.main()
