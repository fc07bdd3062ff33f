"""Start-up of the Windows launcher: single instance, service switches, INI file."""

import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_harness import WineTestCase, helper, wine_environment, windows_path  # noqa: E402

ALREADY_RUNNING = "An instance of this program is already running."
SHIPPED_MAIN_CLASS = "org/quillmark/Quillmark"
FAILED = 0xFFFFFFFF


class FoundationTest(WineTestCase):

    def hold_mutex(self, name):
        """Holds the named mutex in another process until the case ends."""
        ready = os.path.join(self.work, "mutex.ready")
        stop = os.path.join(self.work, "mutex.stop")
        holder = subprocess.Popen(
            ["wine", helper("hold_mutex"), name, windows_path(ready), windows_path(stop)],
            env=wine_environment(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def release():
            open(stop, "w").close()
            holder.wait(timeout=20)
        self.addCleanup(release)
        deadline = time.monotonic() + 30
        while not os.path.exists(ready):
            self.assertLess(time.monotonic(), deadline, "hold_mutex did not start")
            time.sleep(0.05)

    def test_second_instance_is_refused(self):
        self.hold_mutex(SHIPPED_MAIN_CLASS)
        run = self.run_launcher()
        self.assertEqual(run.dialogs, [("Error", ALREADY_RUNNING)])
        self.assertEqual(run.exit_code, 0)

    def test_allow_multiple_instances_is_never_refused(self):
        self.set_strings(e1344="1")
        self.hold_mutex(SHIPPED_MAIN_CLASS)
        run = self.run_launcher()
        self.assertNotIn(ALREADY_RUNNING, run.texts())
        self.assertEqual(run.exit_code, FAILED)  # it went on to the launch, which fails here

    def test_other_main_class_is_not_refused(self):
        self.hold_mutex("org/quillmark/Other")
        run = self.run_launcher()
        self.assertNotIn(ALREADY_RUNNING, run.texts())

    def test_install_is_no_switch_without_service_name(self):
        run = self.run_launcher("-install")
        self.assertFalse(any("service" in text.lower() for text in run.texts()), run.dialogs)
        self.assertEqual(run.exit_code, FAILED)

    def test_switch_in_capitals_is_no_switch(self):
        self.set_strings(e1248="QuillTest")
        capitals = self.run_launcher("-INSTALL")
        self.assertFalse(any("QuillTest" in text for text in capitals.texts()), capitals.dialogs)
        self.assertEqual(capitals.exit_code, FAILED)
        # The same switch as configured is handled, and the run ends with 0.
        exact = self.run_launcher("-install")
        self.assertTrue(any("QuillTest" in text for text in exact.texts()), exact.dialogs)
        self.assertEqual(exact.exit_code, 0)

    def test_changed_string_table_is_what_the_launcher_reads(self):
        self.set_strings(e1440="Quillmark is open already.")
        self.hold_mutex(SHIPPED_MAIN_CLASS)
        run = self.run_launcher()
        self.assertEqual(run.dialogs, [("Error", "Quillmark is open already.")])


if __name__ == "__main__":
    unittest.main()
