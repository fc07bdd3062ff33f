"""The stop protocol of the service run against the real JVM: a second main call on
an attached thread, and the exit request."""

import os
import subprocess
import tempfile
import unittest

PROGRAM = os.environ.get("CORVANE_STOP_PROTOCOL", "")


class StopProtocolTest(unittest.TestCase):

    def run_program(self, mode):
        with tempfile.TemporaryDirectory() as runtime_dir:
            env = dict(os.environ, XDG_RUNTIME_DIR=runtime_dir)
            return subprocess.run([PROGRAM, mode], stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True, timeout=120, env=env)

    def test_second_main_call_runs_on_the_stopper_thread_with_stop_arguments(self):
        done = self.run_program("second-main")
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        lines = done.stdout.splitlines()
        self.assertIn('Quillmark started by Corvane on thread "main"', lines)
        self.assertIn('Quillmark started by Corvane on thread "Corvane stopper thread"', lines)
        self.assertIn("argument: [--stop]", lines)
        # The first call returned only after the stop call released it.
        self.assertLess(lines.index("stop requested"), lines.index("stopped"))
        self.assertIn("first call: 1, stop call: 1", lines)

    def test_exit_request_ends_the_process_with_zero(self):
        done = self.run_program("exit-request")
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertIn("waiting for the stop call", done.stdout)
        self.assertNotIn("exit request came back", done.stdout)
        self.assertNotIn("first call:", done.stdout)


if __name__ == "__main__":
    unittest.main()
