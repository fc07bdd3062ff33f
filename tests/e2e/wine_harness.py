"""Runs the Windows launcher under Wine the way a user would start it.

The test run (run-tests) owns one private WINEPREFIX and an Xvfb display; every case
here works inside them. The helper programs of this directory do what a person
would: dialog_watcher reads and answers message boxes, run_exit_code reports the
full 32-bit exit code, hold_mutex plays a running instance, set_strings changes a
built launcher's string table.
"""

import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

BIN = os.environ.get("CORVANE_E2E_BIN", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")


def windows_path(path):
    """The Wine (Z: drive) form of a host path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def unescape(field):
    """A field of the dialog log: \\, \\t, \\r and \\n stand for themselves."""
    return field.decode("unicode_escape")


def wine_environment(extra=None):
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    # Wine reads command lines and file names in the host's character set: UTF-8 keeps
    # every character. Its ANSI code page stays 1252.
    env["LC_ALL"] = "C.UTF-8"
    env.update(extra or {})
    return env


def wine(*args, timeout=60, cwd=None, env=None, stdin=""):
    """Runs a Windows program under Wine (with the extra environment `env`, which
    the programs it starts inherit, and the text `stdin` as its standard input) and
    returns its completed process.

    Output goes through files, not pipes: a Wine desktop process started on the way
    inherits the program's output handles and would hold a pipe open long after the
    program has ended."""
    with tempfile.TemporaryFile("w+", encoding="latin-1") as out, \
            tempfile.TemporaryFile("w+", encoding="latin-1") as err, \
            tempfile.TemporaryFile("w+", encoding="latin-1") as given:
        given.write(stdin)
        given.seek(0)
        done = subprocess.run(["wine", *args], env=wine_environment(env), cwd=cwd,
                              timeout=timeout, stdin=given, stdout=out, stderr=err)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(done.args, done.returncode, out.read(), err.read())


def make_runtime_image(path):
    """Lays the stand-in runtime out at `path` as a Java 17 runtime image."""
    os.makedirs(os.path.join(path, "bin", "server"))
    shutil.copy(os.path.join(os.environ.get("CORVANE_TESTJVM_DIR", ""), "testjvm.dll"),
                os.path.join(path, "bin", "server", "jvm.dll"))
    with open(os.path.join(path, "release"), "w") as out:
        out.write('JAVA_VERSION="17.0.15"\n')


def helper(name):
    return os.path.join(BIN, name + ".exe")


def program_running(program):
    """Whether a process of the Windows program named `program` (a file name) runs in
    this run's Wine prefix."""
    name = program.encode()
    prefix = b"WINEPREFIX=" + os.environ["WINEPREFIX"].encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                if name not in cmdline.read():
                    continue
            with open("/proc/%s/environ" % pid, "rb") as environ:
                if prefix in environ.read().split(b"\0"):
                    return True
        except OSError:
            continue
    return False


def program_ended(program, seconds=10):
    """Whether every process of `program` is gone within `seconds`: a Windows process
    has given its exit code a moment before Wine's host process is gone."""
    deadline = time.monotonic() + seconds
    while program_running(program):
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True


class Run:
    """What one launcher run showed: its exit code, its message boxes and, for a run
    at a command prompt, its standard output and error. A run of several copies has
    each copy's exit code in exit_codes and the boxes of all."""

    def __init__(self, exit_codes, dialogs, stdout="", stderr=""):
        self.exit_codes = exit_codes
        self.exit_code = exit_codes[0]
        self.dialogs = dialogs  # list of (caption, text)
        self.stdout = stdout
        self.stderr = stderr

    def texts(self):
        return [text for _, text in self.dialogs]


class WineTestCase(unittest.TestCase):
    """A case with a private copy of the launcher in a directory of its own."""

    def setUp(self):
        for name in ("WINEPREFIX", "DISPLAY"):
            if not os.environ.get(name):
                self.fail(name + " is not set: run the end-to-end tests through ./run-tests")
        self.work = tempfile.mkdtemp(prefix="corvane-e2e-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.app_dir = os.path.join(self.work, "app")
        os.makedirs(self.app_dir)
        self.exe = os.path.join(self.app_dir, "Quillmark.exe")
        shutil.copy(LAUNCHER, self.exe)

    def set_strings(self, **entries):
        """Changes string-table entries of this case's launcher: set_strings(e1344="1")."""
        args = ["%d=%s" % (int(key[1:]), value) for key, value in entries.items()]
        done = wine(helper("set_strings"), windows_path(self.exe), *args)
        self.assertEqual(done.returncode, 0, done.stderr)

    def install_stand_in_runtime(self):
        """Places the stand-in runtime where the sample's configuration looks first."""
        runtime = os.path.join(self.app_dir, "j2re1.4.1_02", "bin", "client", "jvm.dll")
        os.makedirs(os.path.dirname(runtime))
        shutil.copy(os.path.join(os.environ.get("CORVANE_TESTJVM_DIR", ""), "testjvm.dll"),
                    runtime)

    def run_on_stand_in_runtime(self, jars, arguments=""):
        """Places empty archives `jars` beside the launcher and the stand-in runtime,
        runs the launcher with `arguments`, and gives its Run and the lines the
        stand-in logged."""
        for jar in jars:
            open(os.path.join(self.app_dir, jar), "w").close()
        self.install_stand_in_runtime()
        log = os.path.join(self.work, "testjvm.log")
        run = self.run_launcher(arguments, env={"CORVANE_TESTJVM_LOG": log,
                                                "CORVANE_TESTJVM_SCRIPT": ""})
        if not os.path.exists(log):
            return run, []
        with open(log, encoding="latin-1") as lines:
            return run, [line.rstrip("\n") for line in lines]

    def run_launcher(self, arguments="", cwd=None, timeout=60, env=None, answer=None,
                     stdin=None, copies=None, program=None):
        """Starts the launcher from `cwd` (default: its own directory) with the
        argument text and the extra environment `env`, answers every message box (with
        OK, or with `answer`, "yes" or "no", where the box has that button), and
        returns the Run. With `stdin`, a text, the launcher runs as at a command
        prompt: that text is its standard input, and the Run holds its output.
        `copies` ("--together" or "--in-row", N) runs N copies at once or one after
        the other. `program`, a Windows path, runs another launcher than this case's."""
        log = os.path.join(self.work, "dialogs-%d.log" % time.monotonic_ns())
        stop = log + ".stop"
        watcher = subprocess.Popen(
            ["wine", helper("dialog_watcher"), windows_path(log), windows_path(stop)] +
            ([answer] if answer else []),
            env=wine_environment(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            command = '"%s"' % (program or windows_path(self.exe))
            if arguments:
                command += " " + arguments
            mode = ["--inherit"] if stdin is not None else list(map(str, copies or ()))
            done = wine(helper("run_exit_code"), *mode, windows_path(cwd or self.app_dir),
                        command, timeout=timeout, env=env, stdin=stdin or "")
        finally:
            # Let the watcher take a last look before it ends.
            time.sleep(0.3)
            open(stop, "w").close()
            try:
                watcher.wait(timeout=20)
            except subprocess.TimeoutExpired:
                watcher.kill()
        self.assertIn("exit=0x", done.stdout, done.stderr)
        output = done.stdout.rpartition("exit=0x")[0]
        exit_codes = [int(code, 16) for code in
                      re.findall(r"^exit=0x([0-9A-F]{8})$", done.stdout, re.MULTILINE)]
        dialogs = []
        if os.path.exists(log):
            with open(log, "rb") as lines:
                for line in lines:
                    caption, _, text = line.rstrip(b"\n").partition(b"\t")
                    dialogs.append((unescape(caption), unescape(text)))
        return Run(exit_codes, dialogs, output, done.stderr)
