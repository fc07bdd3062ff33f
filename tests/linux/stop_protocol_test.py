"""The stop protocol of the service run against the real JVMs: a stop call while main
runs, the exit request, a stop call that attaches while the runtime runs its shutdown
hooks and never comes back, and stop calls swept over the first two milliseconds after
main has returned, while the runtime is being destroyed."""

import os
import re
import subprocess
import tempfile
import time
import unittest

PROGRAM = os.environ.get("CORVANE_STOP_PROTOCOL", "")
RUNTIMES = {"JDK 17": "/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so",
            "Temurin 25": "/usr/lib/jvm/temurin-25-jdk-amd64/lib/server/libjvm.so"}
STOPPER = 'Quillmark started by Corvane on thread "Corvane stopper thread"'


class StopProtocolTest(unittest.TestCase):

    def run_program(self, library, *mode):
        with tempfile.TemporaryDirectory() as runtime_dir:
            env = dict(os.environ, XDG_RUNTIME_DIR=runtime_dir)
            began = time.monotonic()
            try:
                done = subprocess.run([PROGRAM, library, *mode], stdout=subprocess.PIPE,
                                      stderr=subprocess.PIPE, text=True, timeout=30, env=env)
            except subprocess.TimeoutExpired as hung:
                self.fail("%s hung: %s" % (" ".join(mode), hung.stdout.decode(errors="replace")))
            return done, time.monotonic() - began

    def test_stop_calls_on_each_runtime(self):
        rows = [
            # mode, lines in this order, lines never printed
            ("while-running",
             ["waiting for the stop call", STOPPER, "argument: [--stop]", "stop requested",
              "stopped", "first call: 1", "stop call inside: no"], []),
            # System.exit ends the process inside the call, with status 0.
            ("by-exit", ["waiting for the stop call"], ["stop call:", "first call:"]),
            # The runtime lets the thread attach while its hook runs, returns from its
            # destruction while the call is still inside, and never lets it out: the
            # worker stops waiting after its bound.
            ("during-hooks",
             ["first call: 1", "shutdown hook running", STOPPER, "argument: [--sleep]",
              "shutdown hook done", "finished in", "stop call inside: yes"],
             ["slept", "stop call:"]),
        ]
        ran = 0
        for name, library in RUNTIMES.items():
            if not os.path.exists(library):
                print("skipped: %s is not installed at %s" % (name, library))
                continue
            for mode, ordered, absent in rows:
                with self.subTest(runtime=name, mode=mode):
                    done, took = self.run_program(library, mode)
                    self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
                    at = 0
                    for expected in ordered:
                        found = done.stdout.find(expected, at)
                        self.assertGreaterEqual(found, 0, "%r after position %d in:\n%s" %
                                                (expected, at, done.stdout))
                        at = found + len(expected)
                    for unexpected in absent:
                        self.assertNotIn(unexpected, done.stdout)
                    if mode == "while-running":
                        self.assertIn("stop call: 1", done.stdout)
                    if mode == "during-hooks":
                        # The hook's 2 s, the bound's 3 s, the machine's start and end.
                        self.assertLess(took, 9, done.stdout)
                ran += 1
        self.assertGreater(ran, 0, "no runtime to run against")

    def test_stop_calls_just_after_main_returned(self):
        # The stop call attaches while the runtime is being destroyed: it comes back,
        # is refused, or (late in the destruction, where the runtime holds its thread
        # list for good) never returns. The run ends within the bound whichever it is.
        ran = 0
        for name, library in RUNTIMES.items():
            if not os.path.exists(library):
                continue
            for delay_us in (0, 250, 500, 750, 1000, 1500, 2000):
                with self.subTest(runtime=name, delay_us=delay_us):
                    done, took = self.run_program(library, "after-return", str(delay_us))
                    self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
                    finished = re.search(r"finished in (\d+) ms, bound (\d+) ms, stop call "
                                         r"inside: (yes|no)", done.stdout)
                    self.assertTrue(finished, done.stdout)
                    self.assertLessEqual(int(finished.group(1)), int(finished.group(2)) + 500)
                    came_back = re.search(r"stop call: (0|1)\n", done.stdout) is not None
                    self.assertEqual(came_back, finished.group(3) == "no", done.stdout)
                    self.assertLess(took, 10, done.stdout)
                    ran += 1
        self.assertGreater(ran, 0, "no runtime to run against")


if __name__ == "__main__":
    unittest.main()
