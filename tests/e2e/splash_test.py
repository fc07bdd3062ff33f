"""The splash window of the Windows launcher, watched from outside while a stand-in
jvm.dll (tests/testjvm) plays the application: window_probe lists the launcher's
windows, ImageMagick's import takes the screen, and the picture is compared with the
one that resources/make_splash_bitmap.py draws."""

import os
import shutil
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "resources"))
import make_splash_bitmap as picture  # noqa: E402
from wine_harness import (  # noqa: E402
    Run, WineTestCase, helper, unescape, wine, wine_environment, windows_path)

TESTJVM = os.environ.get("CORVANE_TESTJVM_DIR", "")
MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
RUNTIME = os.path.join("j2re1.4.1_02", "bin", "client", "jvm.dll")
EXE_NAME = "Quillmark.exe"
CAPTION = "Loading Quillmark"
APP_CAPTION = "testjvm window"
FAILED = 0xFFFFFFFF


class Window:
    def __init__(self, fields):
        pid, visible, self.class_name, self.caption, *rect = fields
        self.pid = int(pid)
        self.visible = visible == "1"
        self.left, self.top, self.right, self.bottom = map(int, rect)

    def __repr__(self):
        return "%d %s %r %r (%d,%d)-(%d,%d)" % (
            self.pid, "shown" if self.visible else "hidden", self.class_name, self.caption,
            self.left, self.top, self.right, self.bottom)


class Snapshot:
    """What window_probe saw at one moment: the screen size, the launcher's
    processes and their top-level windows."""

    def __init__(self, output):
        self.processes = []
        self.windows = []
        self.screen = None
        for line in output.splitlines():
            fields = line.split("\t")
            if fields[0] == "screen":
                self.screen = (int(fields[1]), int(fields[2]))
            elif fields[0] == "process":
                self.processes.append(int(fields[1]))
            elif fields[0] == "window":
                self.windows.append(Window(fields[1:]))

    def named(self, caption, hidden=False):
        """The visible windows with the caption; with `hidden`, the hidden ones too."""
        return [w for w in self.windows if w.caption == caption and (w.visible or hidden)]

    def __repr__(self):
        return "processes %s, windows %s" % (self.processes, self.windows)


def read_ppm(path):
    """Width, height and RGB bytes of a binary PPM (P6, 8-bit) file."""
    with open(path, "rb") as image:
        data = image.read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    magic, width, height, depth = fields
    if magic != b"P6" or depth != b"255":
        raise ValueError("not an 8-bit P6 image: %r" % fields)
    return int(width), int(height), data[at + 1:]


class Launch:
    """One launcher run in the background, started like run_launcher of the harness
    but without waiting for it; its message boxes are answered only once
    answer_dialogs is called (at once unless told otherwise)."""

    def __init__(self, case, script, answer_dialogs=True):
        self.case = case
        self.started = time.monotonic()
        self.dialog_log = os.path.join(case.work, "dialogs-%d.log" % time.monotonic_ns())
        self.watcher = None
        env = {"CORVANE_TESTJVM_LOG": os.path.join(case.work, "testjvm.log"),
               "CORVANE_TESTJVM_SCRIPT": script}
        # A file, not a pipe: a Wine process started on the way (the desktop) may
        # inherit the pipe and hold it open long after the launcher has ended.
        self.output = os.path.join(case.work, "run-%d.out" % time.monotonic_ns())
        with open(self.output, "w") as output:
            self.process = subprocess.Popen(
                ["wine", helper("run_exit_code"), windows_path(case.app_dir),
                 '"%s"' % windows_path(case.exe)],
                env=wine_environment(env), stdout=output, stderr=subprocess.STDOUT)
        if answer_dialogs:
            self.answer_dialogs()

    def answer_dialogs(self):
        self.watcher = subprocess.Popen(
            ["wine", helper("dialog_watcher"), windows_path(self.dialog_log),
             windows_path(self.dialog_log + ".stop")],
            env=wine_environment(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def running(self):
        return self.process.poll() is None

    def stop_watching(self):
        """Ends the dialog watcher, if one runs, after a last look."""
        if not self.watcher or self.watcher.poll() is not None:
            return
        time.sleep(0.3)
        open(self.dialog_log + ".stop", "w").close()
        try:
            self.watcher.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.watcher.kill()

    def finish(self, timeout=60):
        """Waits for the launcher to end and gives its Run."""
        try:
            self.process.wait(timeout=timeout)
        finally:
            self.stop_watching()
        with open(self.output) as output:
            stdout = output.read()
        self.case.assertIn("exit=0x", stdout)
        dialogs = []
        if os.path.exists(self.dialog_log):
            with open(self.dialog_log, "rb") as lines:
                for line in lines:
                    caption, _, text = line.rstrip(b"\n").partition(b"\t")
                    dialogs.append((unescape(caption), unescape(text)))
        return Run([int(stdout.split("exit=")[1].split()[0], 16)], dialogs)


class SplashTest(WineTestCase):

    def setUp(self):
        super().setUp()
        for jar in ("Quillmark.jar", "jh.jar"):
            open(os.path.join(self.app_dir, jar), "w").close()
        self.launched = None

    def install_runtime(self):
        target = os.path.join(self.app_dir, RUNTIME)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(os.path.join(TESTJVM, "testjvm.dll"), target)

    def launch(self, script="", answer_dialogs=True):
        self.launched = Launch(self, script, answer_dialogs)
        self.addCleanup(self.launched.stop_watching)
        self.addCleanup(self.end_launcher)
        return self.launched

    def snapshot(self, hidden=False):
        args = ["-hidden"] if hidden else []
        # Through a file, like the launcher's output: the probe may be the program that
        # starts Wine's desktop, which would inherit a pipe and keep it open.
        path = os.path.join(self.work, "probe.out")
        with open(path, "w") as output:
            code = subprocess.call(["wine", helper("window_probe"), *args, EXE_NAME],
                                   env=wine_environment(), stdout=output,
                                   stderr=subprocess.DEVNULL, timeout=60)
        self.assertEqual(code, 0)
        with open(path) as output:
            return Snapshot(output.read())

    def wait_for(self, condition, what, limit=30, hidden=False):
        """Polls until condition(snapshot) holds and gives that snapshot."""
        deadline = time.monotonic() + limit
        while True:
            seen = self.snapshot(hidden)
            if condition(seen):
                return seen
            if time.monotonic() > deadline:
                self.fail("no %s within %d s; last seen: %r" % (what, limit, seen))
            time.sleep(0.1)

    def watch(self, visit, limit=60):
        """Calls visit(snapshot) with every window, hidden ones included, until the
        launcher ends by itself."""
        deadline = time.monotonic() + limit
        while self.launched.running():
            self.assertLess(time.monotonic(), deadline, "the launcher did not end")
            visit(self.snapshot(hidden=True))
            time.sleep(0.05)

    def end_launcher(self):
        """Ends this case's launcher, if it still runs, by its process id."""
        if not self.launched or not self.launched.running():
            return
        for pid in self.snapshot().processes:
            wine("taskkill", "/F", "/PID", str(pid))
        try:
            self.launched.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.launched.process.kill()

    def stop(self):
        """Ends the blocked launcher and gives its Run."""
        self.assertTrue(self.launched.running(), "the launcher ended by itself")
        self.end_launcher()
        return self.launched.finish()

    def screenshot(self):
        path = os.path.join(self.work, "screen-%d.ppm" % time.monotonic_ns())
        subprocess.run(["import", "-window", "root", "-display", os.environ["DISPLAY"],
                        "-depth", "8", "ppm:" + path], check=True, timeout=60)
        return read_ppm(path)

    def test_splash_shows_the_picture_centred_while_main_runs(self):
        # With both rules set only the window rule counts: one second must not close it.
        self.set_strings(e1424="1")
        self.install_runtime()
        self.launch("main_blocks")
        seen = self.wait_for(lambda s: s.named(CAPTION), "splash window")
        splash = seen.named(CAPTION)[0]
        self.assertEqual(splash.class_name.upper(), "STATIC")
        self.assertEqual(seen.processes, [splash.pid])
        self.assertEqual((splash.right - splash.left, splash.bottom - splash.top),
                         (picture.WIDTH, picture.HEIGHT))
        screen_width, screen_height = seen.screen
        self.assertEqual((splash.left, splash.top), ((screen_width - picture.WIDTH) // 2,
                                                     (screen_height - picture.HEIGHT) // 2))

        # Points on the letters, the quill, the bar and the gradient, the centre among them.
        points = [(picture.WIDTH // 2, picture.HEIGHT // 2), (10, 10), (390, 290), (206, 65),
                  (130, 241), (picture.WORD_LEFT + 3, picture.WORD_TOP + 21)]
        expected = [picture.pixel(x, y) for x, y in points]
        self.assertGreaterEqual(len(set(expected)), 4)

        def shown():
            width, _, pixels = self.screenshot()
            found = []
            for x, y in points:
                at = ((splash.top + y) * width + splash.left + x) * 3
                found.append(tuple(pixels[at:at + 3]))
            return found

        deadline = time.monotonic() + 20
        found = shown()
        while not all(abs(a - b) <= 12 for want, got in zip(expected, found)
                      for a, b in zip(want, got)):
            if time.monotonic() > deadline:
                self.fail("screen shows %s where the picture has %s" % (found, expected))
            time.sleep(0.5)
            found = shown()

        time.sleep(max(0.0, 3 - (time.monotonic() - self.launched.started)))
        self.assertTrue(self.snapshot().named(CAPTION), "the splash closed with no second window")
        # The splash never reports anything.
        self.assertEqual(self.stop().dialogs, [])

    def test_splash_closes_when_the_application_shows_a_window(self):
        self.install_runtime()
        # The window shows for two seconds, then main blocks with the process alive.
        self.launch("main_window=1500,main_blocks")
        self.wait_for(lambda s: s.named(CAPTION), "splash window")
        app_seen = False
        while True:
            seen = self.snapshot()
            app_seen = app_seen or bool(seen.named(APP_CAPTION))
            if not seen.named(CAPTION):
                break
            self.assertLess(time.monotonic() - self.launched.started, 60, seen)
            time.sleep(0.05)
        self.assertTrue(app_seen, "the splash closed before the application's window showed")
        self.assertTrue(seen.processes, "the splash went only with the process")
        # Closed for good, also once the application's window has gone again.
        deadline = time.monotonic() + 4
        while time.monotonic() < deadline:
            self.assertEqual(self.snapshot().named(CAPTION), [])
            time.sleep(0.2)
        self.assertEqual(self.stop().dialogs, [])

    def test_splash_closes_after_the_configured_seconds(self):
        self.set_strings(e1408="0", e1424="2")
        self.install_runtime()
        self.launch("main_blocks")
        first = self.wait_for(lambda s: s.named(CAPTION), "splash window")
        self.assertTrue(first.named(CAPTION)[0].visible)
        gone = self.wait_for(lambda s: not s.named(CAPTION), "closed splash")
        self.assertGreaterEqual(time.monotonic() - self.launched.started, 2.0)
        self.assertTrue(gone.processes, "the splash went only with the process")
        self.assertEqual(self.stop().dialogs, [])

    def test_seconds_beyond_the_largest_timer_keep_the_splash(self):
        # 4294968 s in milliseconds wraps round to 704 ms in a 32-bit count.
        self.set_strings(e1408="0", e1424="4294968")
        self.install_runtime()
        self.launch("main_blocks")
        self.wait_for(lambda s: s.named(CAPTION), "splash window")
        time.sleep(2)
        self.assertTrue(self.snapshot().named(CAPTION)[0].visible)
        self.assertEqual(self.stop().dialogs, [])

    def test_a_made_launcher_without_splash_keys_shows_no_splash_and_no_sample_option(self):
        # corvane-make's neutral defaults: neither splash rule, no option of the sample.
        config = os.path.join(self.work, "app.toml")
        with open(config, "w") as out:
            out.write('MainClass = "com.example.App"\nClassPath = "Quillmark.jar"\n'
                      "RuntimeLibrary = '%s'\n" % RUNTIME.replace("/", "\\"))
        made = wine(MAKE, "--config", windows_path(config), "--target",
                    os.environ.get("CORVANE_TARGET", "win32"), "--launcher",
                    windows_path(LAUNCHER), "--output", windows_path(self.exe + ".made"))
        self.assertEqual(made.returncode, 0, made.stderr)
        os.replace(self.exe + ".made", self.exe)
        self.install_runtime()
        launch = self.launch("main_window=500")
        app_seen = []

        def visit(seen):
            # The splash is a STATIC window; a made launcher's has no caption to find.
            self.assertEqual([w for w in seen.windows if w.class_name.upper() == "STATIC"], [])
            app_seen.extend(seen.named(APP_CAPTION))

        self.watch(visit)
        self.assertTrue(app_seen, "the application's window was never seen")
        run = launch.finish()
        self.assertEqual(run.exit_code, 0)
        self.assertEqual(run.dialogs, [])
        with open(os.path.join(self.work, "testjvm.log")) as lines:
            options = [line.strip() for line in lines if line.startswith("option=")]
        self.assertEqual(options, ["option=-Djava.class.path=" +
                                   windows_path(os.path.join(self.app_dir, "Quillmark.jar"))])

    def test_error_box_closes_the_splash(self):
        # No runtime: the launcher's own error box is the second visible window.
        launch = self.launch(answer_dialogs=False)
        self.wait_for(lambda s: any(w.class_name == "#32770" for w in s.windows) and
                      not s.named(CAPTION), "error box without splash")
        launch.answer_dialogs()
        run = launch.finish()
        self.assertEqual(run.texts(),
                         ["Unable to locate suitable Java Runtime Environment on this machine."])
        self.assertEqual(run.exit_code, FAILED)

    def test_missing_bitmap_shows_nothing_and_the_launch_goes_on(self):
        done = wine(helper("set_strings"), windows_path(self.exe), "-bitmap:8000")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.install_runtime()
        launch = self.launch("main_window=1000")
        hidden_beside_app = []

        def visit(seen):
            self.assertEqual(seen.named(CAPTION), [], "a splash without its picture showed")
            # A hidden splash does not count: one application window leaves it open.
            if seen.named(APP_CAPTION) and seen.named(CAPTION, hidden=True):
                hidden_beside_app.append(seen)

        self.watch(visit)
        self.assertTrue(hidden_beside_app, "never saw the hidden splash beside the application")
        run = launch.finish()
        self.assertEqual(run.exit_code, 0)
        self.assertEqual(run.dialogs, [])


if __name__ == "__main__":
    unittest.main()
