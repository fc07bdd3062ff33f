"""The launcher as a Windows service under Wine: installed and removed by its switches,
started and stopped with sc, with the stand-in runtime (tests/testjvm) playing the
application. The service process gets its environment from the service manager, so
the stand-in reads its log path and script from testjvm.env beside it.

Event-log entries are read from the host log that run-tests names in
CORVANE_EVENT_LOG: Wine writes each entry there as a debug line of its eventlog
channel, "trace:" for information and "err:" for errors.
"""

import contextlib
import os
import re
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_harness  # noqa: E402
from wine_harness import WineTestCase, wine, windows_path  # noqa: E402

TESTJVM = os.environ.get("CORVANE_TESTJVM_DIR", "")
RUNTIME = os.path.join("j2re1.4.1_02", "bin", "client")
SERVICE_SWITCH = "-startlauncherinservicemode"
EVENT_LINE = re.compile(r':(trace|err):eventlog:ReportEventW L"(.*)"$')
SERVICES_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\"
EVENT_KEY = SERVICES_KEY + "EventLog\\Application\\"
STOPPER = "name=Corvane stopper thread"


def unescape_wine(text):
    """A string as Wine's debug output writes it: \\r, \\n, \\t, \\\\ and \\" escaped."""
    return re.sub(r'\\(.)', lambda m: {"r": "\r", "n": "\n", "t": "\t"}.get(m.group(1),
                                                                          m.group(1)), text)


def registry_values(key):
    """The values of a registry key as {name: (type, data)}, or None when it is missing."""
    done = wine("reg", "query", key)
    if done.returncode != 0:
        return None
    values = {}
    for line in done.stdout.splitlines():
        parts = re.split(r" {4}", line.strip(), maxsplit=2)
        if len(parts) == 3 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2])
    return values


class ServiceTest(WineTestCase):

    def setUp(self):
        super().setUp()
        self.events_path = os.environ.get("CORVANE_EVENT_LOG", "")
        if not self.events_path or not os.path.exists(self.events_path):
            self.fail("CORVANE_EVENT_LOG is not set: run the end-to-end tests through ./run-tests")
        # Only what this case causes counts. run-tests has every service of the run
        # trace to one file as well.
        self.events_start = os.path.getsize(self.events_path)
        self.trace_path = os.environ.get("CORVANE_SERVICE_TRACE", "")
        self.trace_start = (os.path.getsize(self.trace_path)
                            if os.path.exists(self.trace_path) else 0)
        # Names of their own, so that no case sees another's service.
        self.name = "CorvaneT" + "".join(part[:4].capitalize()
                                         for part in self._testMethodName[5:].split("_"))
        self.log = os.path.join(self.work, "testjvm.log")
        for jar in ("Quillmark.jar", "jh.jar"):
            open(os.path.join(self.app_dir, jar), "w").close()

    # --- the installation ---

    def install_runtime(self, script=""):
        """Places the stand-in runtime and its settings file where the shipped
        configuration looks first."""
        directory = os.path.join(self.app_dir, RUNTIME)
        os.makedirs(directory, exist_ok=True)
        shutil.copy(os.path.join(TESTJVM, "testjvm.dll"), os.path.join(directory, "jvm.dll"))
        with open(os.path.join(directory, "testjvm.env"), "w") as settings:
            settings.write("LOG=%s\nSCRIPT=%s\n" % (self.log, script))

    def configure(self, **entries):
        self.set_strings(e1248=self.name, **entries)

    def install(self):
        self.addCleanup(self.remove_service)
        return self.run_launcher("-install")

    def remove_service(self):
        """Stops what a case left running and deletes the service and its event source."""
        if self.state() in ("RUNNING", "START_PENDING"):
            wine("sc", "stop", self.name)
            self.wait_for_state("STOPPED", 45, check=False)
        if self.state() is not None:
            wine("sc", "delete", self.name)
        wine("reg", "delete", EVENT_KEY + self.name, "/f")

    # --- what the service manager and the event log say ---

    def state(self):
        done = wine("sc", "query", self.name)
        found = re.search(r"STATE\s*:\s*\d+\s+(\w+)", done.stdout)
        return found.group(1) if found else None

    def wait_for_state(self, state, timeout, check=True):
        deadline = time.monotonic() + timeout
        current = self.state()
        while current != state and time.monotonic() < deadline:
            time.sleep(0.25)
            current = self.state()
        if check:
            self.assertEqual(current, state, "service %s" % self.name)
        return current

    def events(self):
        """Event-log entries of this case, in order: ("info" | "error", text)."""
        with open(self.events_path, "rb") as log:
            log.seek(self.events_start)
            lines = log.read().decode("latin-1").splitlines()
        found = []
        for line in lines:
            match = EVENT_LINE.search(line)
            if match:
                kind = "info" if match.group(1) == "trace" else "error"
                found.append((kind, unescape_wine(match.group(2))))
        return found

    def wait_for_events(self, count, timeout=20):
        deadline = time.monotonic() + timeout
        while len(self.events()) < count and time.monotonic() < deadline:
            time.sleep(0.25)
        return self.events()

    def service_trace(self, until, timeout=10):
        """What the services traced during this case, once it holds `until` or the
        time is up."""
        deadline = time.monotonic() + timeout
        text = ""
        while True:
            if os.path.exists(self.trace_path):
                with open(self.trace_path, "rb") as trace:
                    trace.seek(self.trace_start)
                    text = trace.read().decode("latin-1")
            if until in text or time.monotonic() > deadline:
                return text
            time.sleep(0.25)

    def logged(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as lines:
            return [line.rstrip("\n") for line in lines]

    def wait_for_log(self, line, timeout=20):
        deadline = time.monotonic() + timeout
        while line not in self.logged() and time.monotonic() < deadline:
            time.sleep(0.25)
        self.assertIn(line, self.logged())

    def start(self):
        done = wine("sc", "start", self.name)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)

    def stop(self):
        done = wine("sc", "stop", self.name)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)

    def started(self):
        return ("info", "The %s service has started." % self.name)

    def stopped(self):
        return ("info", "The %s service has stopped." % self.name)

    def start_without_a_runtime(self):
        """Installs and starts the service, which finds no runtime and stops."""
        self.install()
        self.start()
        self.wait_for_state("STOPPED", 20)
        self.assertEqual(self.wait_for_events(3), [
            self.started(),
            ("error", "Unable to locate suitable Java Runtime Environment on this machine."),
            ("error", "The %s service failed to start." % self.name)])

    def timed_out(self):
        return ("error", "The %s service has timed out during a stop request and will be "
                         "terminated." % self.name)

    def next_round(self):
        """Starts a fresh log and event range for another run of the same case."""
        self.events_start = os.path.getsize(self.events_path)
        if os.path.exists(self.log):
            os.remove(self.log)

    def assert_ended_cleanly(self, events):
        """The service has stopped, its process has ended and the stand-in runtime saw
        no call it should not have; the events are those expected."""
        self.wait_for_state("STOPPED", 45)
        deadline = time.monotonic() + 20
        while self.service_process_running() and time.monotonic() < deadline:
            time.sleep(0.25)
        self.assertFalse(self.service_process_running())
        self.assertEqual(self.wait_for_events(len(events)), events)
        self.assertFalse([line for line in self.logged() if "unexpected" in line], self.logged())

    # --- installation and removal ---

    def test_install_registers_service_and_event_source(self):
        self.configure()
        run = self.install()
        self.assertEqual(run.dialogs, [("Information", "Service installed: " + self.name)])
        self.assertEqual(run.exit_code, 0)
        service = registry_values(SERVICES_KEY + self.name)
        self.assertEqual(service["ImagePath"][1],
                         '"%s" %s' % (windows_path(self.exe), SERVICE_SWITCH))
        self.assertEqual(service["Start"], ("REG_DWORD", "0x2"))
        self.assertEqual(service["Type"], ("REG_DWORD", "0x10"))
        self.assertEqual(service["ErrorControl"], ("REG_DWORD", "0x1"))
        self.assertNotIn("Description", service)
        self.assertEqual(registry_values(EVENT_KEY + self.name), {
            "EventMessageFile": ("REG_EXPAND_SZ", windows_path(self.exe)),
            "TypesSupported": ("REG_DWORD", "0x7")})
        self.assertEqual(self.state(), "STOPPED")

        again = self.run_launcher("-install")
        self.assertEqual(again.dialogs, [("Error", "Service is already installed: " + self.name)])
        self.assertEqual(again.exit_code, 0)
        self.assertEqual(registry_values(SERVICES_KEY + self.name), service)

    def test_install_on_demand_with_description_from_a_path_with_blanks(self):
        spaced = os.path.join(self.work, "Program Files", "Quill mark")
        os.makedirs(spaced)
        exe = os.path.join(spaced, "Quill mark.exe")
        shutil.move(self.exe, exe)
        self.exe = exe
        self.configure(e1328="1", e1264="Serves Quillmark documents")
        run = self.install()
        self.assertEqual(run.texts(), ["Service installed: " + self.name])
        service = registry_values(SERVICES_KEY + self.name)
        self.assertEqual(service["ImagePath"][1], '"%s" %s' % (windows_path(exe), SERVICE_SWITCH))
        self.assertEqual(service["Start"], ("REG_DWORD", "0x3"))
        self.assertEqual(service["Description"], ("REG_EXPAND_SZ", "Serves Quillmark documents"))
        self.assertEqual(registry_values(EVENT_KEY + self.name)["EventMessageFile"],
                         ("REG_EXPAND_SZ", windows_path(exe)))

    def test_uninstall_removes_the_service_but_keeps_the_event_source(self):
        self.configure()
        self.install()
        run = self.run_launcher("-uninstall")
        self.assertEqual(run.dialogs, [("Information", "Service uninstalled: " + self.name)])
        self.assertEqual(run.exit_code, 0)
        self.assertIsNone(self.state())
        self.assertIsNone(registry_values(SERVICES_KEY + self.name))
        self.assertEqual(set(registry_values(EVENT_KEY + self.name)),
                         {"EventMessageFile", "TypesSupported"})

        missing = self.run_launcher("-uninstall")
        self.assertEqual(len(missing.dialogs), 1, missing.dialogs)
        caption, text = missing.dialogs[0]
        self.assertEqual(caption, "Error")
        self.assertNotIn("Service uninstalled", text)
        self.assertTrue(text.strip(), "the system's text for a missing service")
        self.assertEqual(missing.exit_code, 0)

    # --- the service run ---

    def test_start_and_stop_pass_the_configured_arguments(self):
        self.install_runtime("main_blocks")
        # The table's texts reach Java converted from the code page.
        self.configure(e1280='start-arg "two words"', e1296="stop-arg Zoë", e1184="app-arg")
        self.install()
        self.start()
        self.wait_for_log("main thread=creator name= argc=2 arg=start-arg arg=two words")
        self.assertEqual(self.state(), "RUNNING")
        self.assertEqual(self.events(), [self.started()])

        self.stop()
        self.wait_for_state("STOPPED", 20)
        log = self.logged()
        self.assertIn("attach version=0x00010004 " + STOPPER, log)
        second = log.index("main thread=attached %s argc=2 arg=stop-arg arg=Zoë" % STOPPER)
        self.assertEqual(log[-1], "destroy")
        self.assertLess(second, len(log) - 1)
        self.assertEqual(self.wait_for_events(2), [self.started(), self.stopped()])

    def test_trace_follows_the_service(self):
        self.install_runtime("main_blocks")
        # A runtime of Java 17: the service keeps its start-up archive too, made after
        # the service's process has ended.
        home = os.path.join(self.app_dir, os.path.dirname(os.path.dirname(RUNTIME)))
        with open(os.path.join(home, "release"), "w") as release:
            release.write('JAVA_VERSION="17.0.9"\n')
        self.configure(e1872="1")
        self.install()
        self.start()
        self.wait_for_log("main thread=creator name= argc=0")
        self.stop()
        self.wait_for_state("STOPPED", 20)
        text = self.service_trace("startup archive made", timeout=30)
        for line in ("config 1248 ServiceName = \"%s\"" % self.name, "service control 1",
                     "service ends, the application succeeded", "exit code 0"):
            self.assertIn(line, text)
        self.assertRegex(text, r"startup archive made: \S+\\Corvane\\"
                               r"org\.quillmark\.Quillmark-[0-9a-f]{8}\\java17-[0-9a-f]{16}")

    def test_empty_start_and_stop_options_give_app_options(self):
        self.install_runtime("main_blocks")
        self.configure(e1184="app-arg")
        self.install()
        self.start()
        self.wait_for_log("main thread=creator name= argc=1 arg=app-arg")
        self.stop()
        self.wait_for_state("STOPPED", 20)
        self.assertIn("main thread=attached %s argc=1 arg=app-arg" % STOPPER, self.logged())
        self.assertEqual(self.wait_for_events(2), [self.started(), self.stopped()])

    def service_process_running(self):
        """Whether a process of this case's executable runs in this Wine prefix."""
        return wine_harness.program_running(os.path.basename(self.exe))

    def test_runtime_that_cannot_be_found(self):
        self.configure()
        self.start_without_a_runtime()
        # Without ServiceRestartSeconds the stopped report carries no exit code.
        query = wine("sc", "query", self.name).stdout
        self.assertRegex(query, r"WIN32_EXIT_CODE\s*:\s*0\b")
        self.assertRegex(query, r"SERVICE_EXIT_CODE\s*:\s*0\b")

    def test_main_returning_by_itself_stops_the_service(self):
        self.install_runtime()
        self.configure()
        self.install()
        self.start()
        self.wait_for_state("STOPPED", 20)
        self.assertEqual(self.wait_for_events(2), [self.started(), self.stopped()])
        self.assertEqual(self.logged()[-1], "destroy")
        self.assertFalse([line for line in self.logged() if "attach" in line])

    def test_stop_timeout_ends_an_application_that_ignores_the_stop(self):
        self.install_runtime("main_blocks,ignore_stop")
        self.configure(e1296="stop-arg", e1856="3")
        self.install()
        self.start()
        self.wait_for_log("main thread=creator name= argc=0")
        self.stop()
        self.wait_for_log("main thread=attached %s argc=1 arg=stop-arg" % STOPPER)
        pending = wine("sc", "query", self.name).stdout
        self.assertRegex(pending, r"STATE\s*:\s*3\s+STOP_PENDING")
        self.assertRegex(pending, r"WAIT_HINT\s*:\s*0x32c8\b")  # the 3 s and 10 s more
        self.wait_for_state("STOPPED", 10)
        # The service's own clock, free of the time the sc commands take here.
        times = {what: float(ms) for ms, what in re.findall(
            r"^\[\s*([\d.]+) ms\] (service control 1|service ends)",
            self.service_trace("service ends"), re.M)}
        waited = times["service ends"] - times["service control 1"]
        self.assertGreater(waited, 2900, "the watchdog gives the application 3 seconds")
        self.assertLess(waited, 4000)
        self.assertRegex(wine("sc", "query", self.name).stdout, r"WAIT_HINT\s*:\s*0x0\b")
        self.assertEqual(self.wait_for_events(3), [
            self.started(),
            ("error", "The %s service has timed out during a stop request and will be "
                      "terminated." % self.name),
            self.stopped()])
        self.assertNotIn("destroy", self.logged())

    # --- the extras: failure actions, delayed start ---

    def test_extras_the_service_manager_refuses_leave_the_service_installed(self):
        self.configure(e1824="5", e1840="1")
        trace = os.path.join(self.work, "install-trace.txt")
        with self.launcher_output() as output:
            run = self.run_launcher("-install", env={"WINEDEBUG": "-all,+service",
                                                     "CORVANE_TRACE": windows_path(trace)})
        self.addCleanup(self.remove_service)
        self.assertEqual((run.dialogs, run.exit_code),
                         ([("Information", "Service installed: " + self.name)], 0))
        self.assertEqual(self.state(), "STOPPED")
        # Wine's service manager stores none of them; the calls made show in its debug
        # output: failure actions (2), the non-crash flag (4), delayed start (3).
        levels = re.findall(r"trace:service:ChangeServiceConfig2A \S+ (\d+) ", output[0])
        self.assertEqual(levels, ["2", "4", "3"], output[0])
        with open(trace, encoding="latin-1") as lines:
            outcomes = re.findall(r"\] service (.*) (?:set|refused: error \d+)$",
                                  lines.read(), re.M)
        self.assertEqual(outcomes, ["failure actions", "non-crash failure flag", "delayed start"])
        # Where the service manager answers, it holds what was asked.
        done = wine(wine_harness.helper("service_config"), self.name)
        self.assertEqual(done.returncode, 0, done.stderr)
        expected = ["failure_actions reset=86400 actions=1/5000,1/5000,1/5000",
                    "delayed_start 1", "failure_flag 1"]
        for line, wanted in zip(done.stdout.splitlines(), expected):
            if " error=" not in line:
                self.assertEqual(line, wanted)

    def test_ten_stops_while_the_application_ignores_them_end_in_one_stop(self):
        self.install_runtime("main_blocks,ignore_stop")
        # A watchdog of 5 s instead of 30 keeps the case short; the stops still overlap it.
        self.configure(e1296="stop-arg", e1856="5")
        self.install()
        for _ in range(2):
            self.next_round()
            self.start()
            self.wait_for_log("main thread=creator name= argc=0")
            # sc returns once the control handler has run, and with it the first
            # watchdog has started: from then on the process has 5 s and a margin.
            self.stop()
            asked = time.monotonic()
            for _ in range(9):
                wine("sc", "stop", self.name)
            while self.service_process_running() and time.monotonic() - asked < 30:
                time.sleep(0.1)
            self.assertLess(time.monotonic() - asked, 8, "the first watchdog ends it")
            events = self.wait_for_events(3)
            self.assertEqual(events[0], self.started())
            self.assertEqual(set(events[1:-1]), {self.timed_out()})
            self.assertEqual(events[-1], self.stopped())
            self.assert_ended_cleanly(events)
            self.assertIn("main thread=attached %s argc=1 arg=stop-arg" % STOPPER, self.logged())

    def test_stop_during_start_up_reaches_the_application_once_it_runs(self):
        self.install_runtime("slow_create=1500,main_blocks")
        self.configure()
        self.install()
        for delay in (0.1, 0.8, 1.6):
            self.next_round()
            self.start()
            time.sleep(delay)
            self.stop()
            self.assert_ended_cleanly([self.started(), self.stopped()])
            log = self.logged()
            self.assertIn("main thread=attached %s argc=0" % STOPPER, log)
            self.assertEqual(log[-1], "destroy")

    def test_stop_while_main_returns_by_itself(self):
        # main returns after four seconds, and an attachment takes the stop thread
        # three seconds inside the runtime library: a stop that comes shortly before
        # the return is still there when the machine would be destroyed. The later
        # rounds come while main returns, and after.
        self.install_runtime("main_sleep=4000,slow_attach=3000")
        self.configure()
        self.install()
        for delay in (0.5, 2.0, 3.5, 4.5):
            self.next_round()
            self.start()
            self.wait_for_log("main thread=creator name= argc=0")
            time.sleep(delay)
            wine("sc", "stop", self.name)  # refused when the service has ended already
            self.assert_ended_cleanly([self.started(), self.stopped()])
            self.assertIn("destroy", self.logged())

    def exit_codes(self):
        query = wine("sc", "query", self.name).stdout
        win32 = re.search(r"WIN32_EXIT_CODE\s*:\s*(\d+)", query)
        specific = re.search(r"SERVICE_EXIT_CODE\s*:\s*(\d+)", query)
        return (int(win32.group(1)), int(specific.group(1))) if win32 and specific else query

    def test_how_a_run_ends_decides_the_stopped_report(self):
        # With failure actions on, a run that reports a non-zero exit code is restarted:
        # a stop the operator asked for has to end clean, whatever the stop call did.
        failed = ("error", "The %s service failed to start." % self.name)
        invoke_error = ("error", "Error invoking method: main(java/lang/String[])")
        rows = [
            # script, extra settings, stop?, exit codes, events after "started"
            ("main_blocks", {"e1312": "1"}, True, (0, 0), ["stopped"]),
            ("main_blocks,ignore_stop,stop_throws", {"e1856": "2"}, True, (0, 0),
             [invoke_error, "timed_out", "stopped"]),
            ("main_exit=0", {}, False, (0, 0), ["stopped"]),
            ("main_exit=3", {}, False, (1066, 3), [failed]),  # ERROR_SERVICE_SPECIFIC_ERROR
            ("main_throws", {}, False, (1066, 1), [invoke_error, failed]),
        ]
        exe = os.path.join(self.app_dir, self.name + ".exe")
        shutil.move(self.exe, exe)
        self.exe = exe
        for script, settings, stop, codes, events in rows:
            with self.subTest(script=script):
                self.install_runtime(script)
                self.configure(e1824="5", e1312=settings.get("e1312", "0"),
                               e1856=settings.get("e1856", "<null>"))
                self.install()
                self.next_round()
                self.start()
                if stop:
                    self.wait_for_log("main thread=creator name= argc=0")
                    self.stop()
                expected = [self.started()] + [self.stopped() if e == "stopped" else
                                               self.timed_out() if e == "timed_out" else e
                                               for e in events]
                self.assert_ended_cleanly(expected)
                self.assertEqual(self.exit_codes(), codes)
                time.sleep(1)
                self.assertEqual(self.state(), "STOPPED")
                if "e1312" in settings:
                    # System.exit(0) from the stop thread; the runtime's exit hook said
                    # the service stopped before the process ended.
                    log = self.logged()
                    self.assertIn("attach version=0x00010004 " + STOPPER, log)
                    self.assertEqual(log[-2:], ["exit 0", "exit hook 0"])
                self.remove_service()

    def test_stop_while_the_runtime_is_destroyed(self):
        # main has returned by itself when the stop comes, and HotSpot never lets the
        # stop call out: it lets a thread attach while its shutdown hooks run and blocks
        # the thread's call once the machine is gone; later it holds its thread list for
        # good, and an attachment never returns. The service stops after a short wait
        # for the stop call, long before the watchdog's 20 s, and leaves the library
        # loaded under it. (A second stop cannot come then: the service manager refuses
        # controls to a service that is stopping.)
        rows = [
            # script, the log line after which the stop comes, the stop call's last line
            ("main_sleep=500,shutdown_hooks=4000", "shutdown hooks", "blocked main"),
            ("main_sleep=500,late_exit=4000", "thread list held", "blocked attach"),
        ]
        self.configure(e1856="20")
        self.install()
        for script, stop_after, blocked in rows:
            with self.subTest(script=script):
                self.install_runtime(script)
                self.next_round()
                self.start()
                self.wait_for_log(stop_after)
                asked = time.monotonic()
                self.stop()
                self.wait_for_log(blocked)
                while self.service_process_running() and time.monotonic() - asked < 30:
                    time.sleep(0.1)
                # The rest of the runtime's 4 s, the wait's 3 s, and Wine's slowness.
                self.assertLess(time.monotonic() - asked, 10)
                self.assert_ended_cleanly([self.started(), self.stopped()])
                self.assertEqual(self.logged()[-1], "destroy")

    def test_service_takes_no_runtime_from_path(self):
        # The service's PATH starts with the system directory: a java.exe there, and a
        # runtime where its home would be, as a user could plant them in a directory on
        # PATH that everyone can write.
        windows = wine("cmd", "/c", "echo", "%SystemRoot%").stdout.strip()
        unix = wine("winepath", "-u", windows).stdout.strip()
        java = os.path.join(unix, "system32", "java.exe")
        library = os.path.join(unix, "bin", "server", "jvm.dll")
        os.makedirs(os.path.dirname(library))
        self.addCleanup(shutil.rmtree, os.path.join(unix, "bin"))
        shutil.copy(os.path.join(TESTJVM, "testjvm.dll"), library)
        with open(os.path.join(os.path.dirname(library), "testjvm.env"), "w") as settings:
            settings.write("LOG=%s\n" % self.log)
        open(java, "w").close()
        self.addCleanup(os.remove, java)
        self.configure(e1040="<null>", e1744="1")
        self.start_without_a_runtime()
        self.assertEqual(self.logged(), [], "no runtime is loaded")
        self.assertIn("PATH is not searched in a service",
                      self.service_trace("PATH is not searched"))

    def test_service_switch_at_a_command_prompt_logs_an_error_only(self):
        self.install_runtime()
        self.configure()
        self.install()
        with self.launcher_output() as output:
            run = self.run_launcher(SERVICE_SWITCH, env={"WINEDEBUG": "-all,+eventlog"})
        self.assertEqual(run.dialogs, [])
        self.assertEqual(run.exit_code, 0)
        errors = [unescape_wine(match.group(2)) for match in
                  map(EVENT_LINE.search, output[0].splitlines()) if match]
        self.assertEqual(len(errors), 1, output[0])
        self.assertIn(":err:eventlog:", output[0])
        self.assertTrue(errors[0].strip())
        self.assertEqual(self.logged(), [], "no machine is created")

    @contextlib.contextmanager
    def launcher_output(self):
        """Collects the standard error of the Wine runs made inside the block (the
        launcher's Wine debug output included)."""
        output = [""]
        real = wine_harness.wine

        def recording(*args, **kwargs):
            done = real(*args, **kwargs)
            output[0] += done.stderr
            return done

        wine_harness.wine = recording
        try:
            yield output
        finally:
            wine_harness.wine = real


if __name__ == "__main__":
    unittest.main()
