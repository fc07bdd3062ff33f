"""The Linux launcher as a systemd service: on the real JVMs, SIGTERM and SIGINT as the
stop request, the exit status of each way a run ends, readiness on a NOTIFY_SOCKET of
the test's own and the journal's priority prefixes; and -install and -uninstall writing
the unit into a folder of the test, with a stand-in for systemctl."""

import os
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time
import unittest

DEMO = os.environ.get("CORVANE_DEMO_DIR", "")
STRINGS_TOOL = os.environ.get("CORVANE_STRINGS", "")
SCRAMBLE_TOOL = os.environ.get("CORVANE_SCRAMBLE", "")
RUNTIMES = {"JDK 17": "/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so",
            "Temurin 25": "/usr/lib/jvm/temurin-25-jdk-amd64/lib/server/libjvm.so"}
MARGIN = 10  # the seconds systemd is given beyond ServiceStopTimeout
SWITCH = "-startlauncherinservicemode"


class Process:
    """A launcher process whose output lines are collected while it runs."""

    def __init__(self, command, env, journal):
        self.lines = {"out": [], "err": []}
        self.changed = threading.Condition()
        stderr = subprocess.PIPE
        if journal:
            # Standard error as systemd connects it to the journal, named in JOURNAL_STREAM.
            read_end, stderr = os.pipe()
            stream = os.fstat(stderr)
            env = dict(env, JOURNAL_STREAM="%d:%d" % (stream.st_dev, stream.st_ino))
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=stderr)
        streams = [("out", self.process.stdout)]
        if journal:
            os.close(stderr)
            streams.append(("err", os.fdopen(read_end, "rb")))
        else:
            streams.append(("err", self.process.stderr))
        self.readers = [threading.Thread(target=self.read, args=item) for item in streams]
        for reader in self.readers:
            reader.start()

    def read(self, name, stream):
        with stream:
            for raw in stream:
                with self.changed:
                    self.lines[name].append(raw.decode("utf-8", "replace").rstrip("\n"))
                    self.changed.notify_all()

    def wait_for(self, text, seconds=60):
        with self.changed:
            return self.changed.wait_for(
                lambda: any(text in line for line in self.lines["out"]), seconds)

    def finish(self, seconds=60):
        """The exit status; a process still running after `seconds` is killed (None)."""
        try:
            code = self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            code = None
        for reader in self.readers:
            reader.join(10)
        return code


class LinuxServiceTest(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="corvane-service-")
        self.addCleanup(shutil.rmtree, self.work, True)
        os.chmod(self.work, 0o755)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.work, LC_ALL="C.UTF-8")
        for name in ("NOTIFY_SOCKET", "JOURNAL_STREAM", "CORVANE_SYSTEMCTL",
                     "CORVANE_SYSTEMD_UNIT_DIR"):
            self.env.pop(name, None)
        self.place("service Zoë")

    def place(self, folder):
        """The demo launcher in `folder`, with the service's settings and without the
        start-up archive, whose maker outlives the run."""
        self.app = os.path.join(self.work, folder)
        shutil.copytree(DEMO, self.app)
        os.chmod(self.app, 0o755)
        self.exe = os.path.join(self.app, "quillmark")
        self.set_strings("1248=Quillmark", "1872=0")

    def set_strings(self, *assignments):
        subprocess.run([STRINGS_TOOL, self.exe, *assignments], check=True)

    def scrambled(self, name):
        return subprocess.run([SCRAMBLE_TOOL, name], check=True, stdout=subprocess.PIPE,
                              text=True).stdout.strip()

    def test_service_stop_requests_and_outcomes_on_each_runtime(self):
        missing_class = "1168=" + self.scrambled("org.quillmark.Missing")
        rows = [
            # what, entries, the line after which the signal comes and which, status,
            # lines of the application, lines of the launcher, notifications, the
            # seconds the run may take after the signal
            ("SIGTERM while main runs", ["1280=--block", "1296=--stop"],
             "waiting for the stop call", signal.SIGTERM, 0, ["stop requested", "stopped"],
             ["The Quillmark service has started.", "The Quillmark service has stopped."],
             ["READY=1", "STOPPING=1"], 10),
            # The watchdog ends it after ServiceStopTimeout, inside systemd's margin.
            ("a stop call that hangs, on SIGINT", ["1280=--block", "1296=--sleep 600000",
                                                   "1856=2"],
             "waiting for the stop call", signal.SIGINT, 1, ["argument: [--sleep]"],
             ["Error: The Quillmark service has timed out during a stop request and will "
              "be terminated."], ["READY=1", "STOPPING=1"], 2 + MARGIN),
            ("the application's own System.exit(3)", ["1280=--exit 3"], None, None, 3, [],
             ["Error: The Quillmark service failed to start."], ["READY=1"], None),
            # main has returned and the runtime runs the hook; the stop call attaches and
            # outlasts the runtime: the hook's 2 s and the 3 s bound.
            ("SIGTERM during shutdown hooks", ["1280=--hook 2000", "1296=--sleep 4000"],
             "shutdown hook running", signal.SIGTERM, 0,
             ['thread "Corvane stopper thread"'],
             ["Information: The Quillmark service has stopped."],
             ["READY=1", "STOPPING=1"], 2 + 3 + 3),
            # Not ready before main was found.
            ("a main class that is missing", [missing_class], None, None, 1, [],
             ["Error locating class: org.quillmark.Missing",
              "Error: The Quillmark service failed to start."], [], None),
        ]
        ran = 0
        for runtime, library in RUNTIMES.items():
            if not os.path.exists(library):
                print("skipped: %s is not installed at %s" % (runtime, library))
                continue
            for what, entries, after, sent, status, out, err, notes, bound in rows:
                with self.subTest(runtime=runtime, case=what):
                    self.set_strings("1040=" + library, "1168=" + self.scrambled(
                        "org.quillmark.Quillmark"), "1280=<null>", "1296=<null>",
                        "1856=30", *entries)
                    self.run_row(after, sent, status, out, err, notes, bound,
                                 journal=ran == 0)
                ran += 1
        self.assertGreater(ran, 0, "no runtime to run against")

    def run_row(self, after, sent, status, out, err, notes, bound, journal):
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.addCleanup(listener.close)
        notify = os.path.join(self.work, "notify-%d" % time.monotonic_ns())
        listener.bind(notify)
        process = Process([self.exe, SWITCH], dict(self.env, NOTIFY_SOCKET=notify), journal)
        if after is not None:
            if not process.wait_for(after):
                process.finish(0)
                self.fail("no %r in:\n%s" % (after, "\n".join(process.lines["out"])))
            signalled = time.monotonic()
            process.process.send_signal(sent)
        code = process.finish(60)
        took = time.monotonic() - signalled if after is not None else 0
        said = "\n".join(process.lines["out"] + process.lines["err"])
        self.assertEqual(code, status, said)
        for line in out:
            self.assertTrue(any(line in seen for seen in process.lines["out"]), said)
        for line in err:
            if journal:
                line = line.replace("Information: ", "<6>").replace("Error: ", "<3>")
            self.assertTrue(any(line in seen for seen in process.lines["err"]), said)
        if journal:
            self.assertTrue(all(line[:3] in ("<6>", "<3>") for line in process.lines["err"]),
                            said)
        if bound is not None:
            self.assertLess(took, bound, said)
        listener.setblocking(False)
        received = []
        while True:
            try:
                received.append(listener.recv(4096).decode())
            except BlockingIOError:
                break
        self.assertEqual(received, notes, said)

    def install_env(self):
        log = os.path.join(self.work, "systemctl.log")
        stand_in = os.path.join(self.work, "systemctl")
        with open(stand_in, "w") as out:
            out.write('#!/bin/sh\necho "$*" >>"%s"\n' % log)
        os.chmod(stand_in, 0o755)
        units = os.path.join(self.work, "units")
        os.makedirs(units)
        env = dict(self.env, CORVANE_SYSTEMD_UNIT_DIR=units, CORVANE_SYSTEMCTL=stand_in)
        return env, os.path.join(units, "Quillmark.service"), log

    def switch(self, command, env, *before, program=None):
        return subprocess.run([*before, program or self.exe, command], cwd=self.work, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=60)

    def test_service_install_and_uninstall_write_and_remove_the_unit(self):
        self.place("srv a b%;=Zoë")
        env, unit, log = self.install_env()
        self.set_strings("1264=Serves the notes", "1856=20", "1824=5")
        # Through a link, from another directory: the unit names the launcher itself.
        link = os.path.join(self.work, "link", "quillmark")
        os.makedirs(os.path.dirname(link))
        os.symlink(self.exe, link)
        done = self.switch("-install", env, program=link)
        self.assertEqual((done.returncode, done.stderr),
                         (0, "Information: Service installed: Quillmark\n"))
        with open(unit, encoding="utf-8") as text:
            lines = text.read().splitlines()
        quoted = '"%s"' % os.path.realpath(self.exe).replace("%", "%%")
        for line in ["Description=Serves the notes", "Type=notify",
                     "ExecStart=%s %s" % (quoted, SWITCH), "TimeoutStopSec=30",
                     "Restart=on-failure", "RestartSec=5", "WantedBy=multi-user.target"]:
            self.assertIn(line, lines)
        self.assertEqual(os.stat(unit).st_mode & 0o777, 0o644)
        analyze = shutil.which("systemd-analyze")
        if analyze is None:
            print("skipped: systemd-analyze verify: systemd-analyze is not installed")
        else:
            verified = subprocess.run([analyze, "verify", unit], stdout=subprocess.PIPE,
                                      stderr=subprocess.STDOUT, text=True)
            self.assertEqual(verified.returncode, 0, verified.stdout)

        rows = [
            # the switch, what it says, the systemctl calls it adds, whether the unit is there
            ("-install", "Error: Service is already installed: Quillmark\n", [], True),
            ("-uninstall", "Information: Service uninstalled: Quillmark\n",
             ["disable Quillmark.service", "daemon-reload"], False),
            ("-uninstall", "Error: The service Quillmark is not installed: %s is missing\n"
             % unit, [], False),
        ]
        calls = ["daemon-reload", "enable Quillmark.service"]
        for command, said, more, present in rows:
            with self.subTest(command=command, said=said):
                done = self.switch(command, env)
                calls += more
                self.assertEqual((done.returncode, done.stderr), (0, said))
                with open(log) as text:
                    self.assertEqual(text.read().splitlines(), calls)
                self.assertEqual(os.path.exists(unit), present)

        # Started on demand: not enabled, and nothing wants it at boot.
        self.set_strings("1328=1")
        self.assertEqual(self.switch("-install", env).returncode, 0)
        with open(log) as text:
            self.assertEqual(text.read().splitlines(), calls + ["daemon-reload"])
        with open(unit) as text:
            self.assertNotIn("[Install]", text.read())

    def test_service_install_that_cannot_be_done_here_prints_the_unit(self):
        env, unit, _ = self.install_env()
        nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        rows = [("without root", env, nobody, "needs root (run it with sudo)")]
        if os.path.exists("/run/systemd/system"):
            print("skipped: install without systemd: systemd runs on this machine")
        else:
            no_systemd = dict(env)
            del no_systemd["CORVANE_SYSTEMCTL"]
            rows.append(("without systemd", no_systemd, [], "needs systemd, which does not "
                         "run here"))
        for what, row_env, before, why in rows:
            with self.subTest(case=what):
                done = self.switch("-install", row_env, *before)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(done.stderr, "Error: Installing the service Quillmark %s; to "
                                 "install it by hand, save the unit below as %s\n" % (why, unit))
                self.assertTrue(done.stdout.startswith("[Unit]\n"), done.stdout)
                self.assertIn("ExecStart=", done.stdout)
                self.assertFalse(os.path.exists(unit))
                done = self.switch("-uninstall", row_env, *before)
                self.assertEqual(done.stderr, "Error: Removing the service Quillmark %s\n" % why)


if __name__ == "__main__":
    unittest.main()
