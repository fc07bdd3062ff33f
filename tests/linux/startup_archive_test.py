"""The start-up archive of the Linux launcher on the installed JDK 17 and on Temurin 25:
each row of a table starts the sample a few times in a row with the setting on and
checks the exit code, the output against a start with the setting off, what the trace
says, and how many classes the runtime took from a shared archive. The archive is made
by a detached process after a run; each start waits for it to finish before the next."""

import glob
import os
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from jvm_test import DEMO, STRINGS_TOOL  # noqa: E402

MAIN = "org.quillmark.Quillmark"
RUNTIMES = {"17": "/usr/lib/jvm/java-17-openjdk-amd64",
            "25": "/usr/lib/jvm/temurin-25-jdk-amd64"}
MADE, FAILED, USING, RECORDING = "made", "failed", "using", "recording"
RETIRED, FOR_NOW = "retired, as the run did not map it", "failed for now"
UNREACHABLE = "classes not found in an archive"
SWITCH = "--corvane-startup-archive"


def end_if_running(process):
    """Kills a launcher that a failed case left running (a run that timed out), so that
    no runtime goes on spinning after the case."""
    if process.poll() is None:
        process.kill()
        process.communicate()


def tool(home, name):
    return os.path.join(home, "bin", name)


def write_jar(path, files):
    """A jar of `files` ({name in the jar: path on disk})."""
    with zipfile.ZipFile(path, "w") as jar:
        for name, source in files.items():
            jar.write(source, name)


def processes_with(*words):
    """The ids of the processes whose command lines hold all of `words` as arguments."""
    found = []
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as cmdline:
                args = cmdline.read().decode(errors="replace").split("\0")
        except (OSError, ValueError):
            continue
        if all(any(word in arg for arg in args) for word in words):
            found.append(int(entry))
    return found


class Start:
    """One app below a work directory of its own, on one runtime."""

    def __init__(self, case, feature, home):
        self.case, self.feature, self.home = case, feature, home
        self.work = tempfile.mkdtemp(prefix="corvane-archive-%s-" % feature)
        case.addCleanup(shutil.rmtree, self.work, True)
        self.app = os.path.join(self.work, "app")
        shutil.copytree(DEMO, self.app)
        self.exe = os.path.join(self.app, "quillmark")
        self.cwd = self.work
        self.cache = os.path.join(self.work, "cache")
        self.trace = os.path.join(self.work, "trace.log")
        self.loaded = os.path.join(self.work, "loaded.log")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.work, LC_ALL="C.UTF-8",
                        XDG_CACHE_HOME=self.cache, CORVANE_TRACE=self.trace)
        self.options = "-DCorvane=Yes -Xlog:class+load=info:file=" + self.loaded
        self.strings("1040=" + os.path.join(home, "lib", "server", "libjvm.so"), "1344=1")

    def strings(self, *assignments):
        subprocess.run([STRINGS_TOOL, self.exe, *assignments], check=True)

    def directory(self):
        names = os.listdir(os.path.join(self.cache, "corvane"))
        self.case.assertEqual(len(names), 1, names)
        return os.path.join(self.cache, "corvane", names[0])

    def archives(self):
        return glob.glob(os.path.join(self.directory(), "java%s-*" % self.feature, "archive.jsa"))

    def wait_for_maker(self, seconds=120):
        """Until the detached process has made the archive or given up."""
        deadline = time.time() + seconds
        while glob.glob(os.path.join(self.cache, "corvane", "*", "*.request")):
            self.case.assertLess(time.time(), deadline, "the archive is still being made")
            time.sleep(0.1)

    def start(self, *args, **popen):
        os.makedirs(self.cwd, exist_ok=True)
        streams = {"stdout": subprocess.PIPE, "stderr": subprocess.PIPE}
        streams.update(popen)
        process = subprocess.Popen([self.exe, *args], cwd=self.cwd, env=self.env, text=True,
                                   **streams)
        self.case.addCleanup(end_if_running, process)
        return process

    def traced(self):
        with open(self.trace) as lines:
            return [line.split("] ", 1)[1].rstrip("\n") for line in lines
                    if "startup archive" in line and "] " in line]

    def run(self, *args, archive=True, during=None):
        """The finished run (after its maker) and the archive lines of its trace.
        `during(app, process)` acts while the run goes on."""
        for old in (self.trace, self.loaded):
            if os.path.exists(old):
                os.remove(old)
        self.strings("1056=" + self.options, "1872=%d" % archive)
        process = self.start(*args)
        if during:
            during(self, process)
        out, err = process.communicate(timeout=120)
        self.wait_for_maker()
        return (process.returncode, visible(out), visible(err)), self.traced()

    def wait_until(self, condition, what):
        deadline = time.time() + 60
        while not condition():
            self.case.assertLess(time.time(), deadline, "no %s" % what)
            time.sleep(0.01)

    def wait_for_trace(self, text):
        def traced():
            if not os.path.exists(self.trace):
                return False
            with open(self.trace) as trace:
                return text in trace.read()
        self.wait_until(traced, "trace line %r" % text)

    def from_main_returned_to_end_ms(self):
        """From the trace: how long the run took from main's return to its end (its
        exit code, the first after main's return; the maker's lines follow)."""
        returned = None
        with open(self.trace) as lines:
            for line in lines:
                found = re.match(r"\[ *([\d.]+) ms\] (main returned|exit code)", line)
                if found and found.group(2) == "main returned":
                    returned = float(found.group(1))
                elif found and returned is not None:
                    return float(found.group(1)) - returned
        self.case.fail("no end after main's return in the trace")

    def unshared(self):
        """How many classes the last start loaded otherwise than from a shared archive
        (from the runtime's modules, from jars, or made at run time)."""
        with open(self.loaded) as lines:
            return sum(1 for line in lines
                       if " source: " in line and " source: shared objects file" not in line)

    def mapped(self):
        with open(self.loaded) as lines:
            return any(" %s source: shared objects file" % MAIN in line for line in lines)


def visible(output):
    """The output without the runtime's own warnings about its default archive, which
    (for example under -XX:-UseCompressedClassPointers on Java 25) appear without the
    setting and not with an archive of the launcher's that fits, and without the
    runtime's note of JAVA_TOOL_OPTIONS, which a row may change between starts."""
    return "".join(line for line in output.splitlines(True)
                   if not re.match(r"\[([\d.]+s\]\[warning\]\[cds| +\])", line) and
                   not line.startswith("Picked up JAVA_TOOL_OPTIONS"))


def outcome(traced):
    """What a start's trace (its maker's lines included) says of the archive."""
    text = "\n".join(traced)
    if "as the run did not map it" in text:
        return RETIRED
    if "startup archive: using " in text:
        return USING
    if "startup archive made: " in text:
        return MADE
    if re.search(r"making \S+ failed for now: ", text):
        return FOR_NOW
    if "for this key before" in text or re.search(r"making \S+ failed: ", text):
        return FAILED
    if "recording the classes of this run" in text:
        return RECORDING
    if "none, the class path lies below a directory" in text:
        return UNREACHABLE
    return text


class StartupArchiveTest(unittest.TestCase):

    def runtimes(self):
        found = [(f, home) for f, home in RUNTIMES.items() if os.path.isdir(home)]
        missing = [home for f, home in RUNTIMES.items() if not os.path.isdir(home)]
        if missing:
            print("skipped for the absent runtime(s) %s" % ", ".join(missing), file=sys.stderr)
        if not found:
            self.skipTest("no runtime")
        return found

    def check_row(self, prepare=None, expected=(MADE, USING, USING), args=(), before=None,
                  during=None):
        """Starts with the setting on after `prepare`, one per expected outcome (a dict
        gives them per runtime; a runtime it lacks is skipped); `before(app, n)` runs
        before start n, `during(app, process)` while the first start runs. Each gives the exit
        code and output of the start with the setting off, and the last one takes about
        as many classes from a shared archive as that one, or more: it loads at most ten
        more otherwise. (A start that maps the application's archive loads fewer classes
        in all, so their share counts, not their number.)"""
        apps = []
        for feature, home in self.runtimes():
            want = expected.get(feature) if isinstance(expected, dict) else expected
            if want is None:
                continue
            with self.subTest(runtime=feature):
                app = Start(self, feature, home)
                apps.append(app)
                if prepare:
                    prepare(app)
                off, traced = app.run(*args, archive=False)
                self.assertEqual(traced, [])
                unshared_off = app.unshared()
                for n, expect in enumerate(want):
                    if before:
                        before(app, n)
                    done, traced = app.run(*args, during=during if n == 0 else None)
                    self.assertEqual(done, off, "start %d: %s" % (n + 1, traced))
                    self.assertEqual(outcome(traced), expect, "start %d: %s" % (n + 1, traced))
                    if expect == USING:
                        self.assertTrue(app.mapped(), "start %d maps no class" % (n + 1))
                self.assertLessEqual(app.unshared(), unshared_off + 10,
                                     "classes not shared: %d, with the setting off %d" %
                                     (app.unshared(), unshared_off))
        return apps

    def test_options_of_the_run(self):
        """The options decide whether the runtime maps an archive; one it does not map
        is retired, and later starts share as many classes as without the setting."""
        def agent(app):
            source = os.path.join(app.work, "agent")
            os.makedirs(source)
            with open(os.path.join(source, "Agent.java"), "w") as java:
                java.write("public class Agent { public static void premain(String a) {} }")
            with open(os.path.join(source, "manifest"), "w") as manifest:
                manifest.write("Premain-Class: Agent\n")
            subprocess.run([tool(app.home, "javac"), "-d", source, os.path.join(source, "Agent.java")],
                           check=True)
            jar = os.path.join(app.work, "agent.jar")
            subprocess.run([tool(app.home, "jar"), "cfm", jar, os.path.join(source, "manifest"),
                            "-C", source, "Agent.class"], check=True)
            app.options += " -javaagent:" + jar

        def jdwp_after_a_tab(app):
            app.env["JAVA_TOOL_OPTIONS"] = ("-Dx=1\t-agentlib:jdwp=transport=dt_socket,server=y,"
                                            "suspend=n,address=127.0.0.1:0,quiet=y")

        def options(text):
            def prepare(app):
                app.options += " " + text
            return prepare

        def system_class_loader(app):
            source = os.path.join(app.work, "MyLoader.java")
            with open(source, "w") as java:
                java.write("public class MyLoader extends ClassLoader {\n"
                           "  public MyLoader(ClassLoader parent) { super(parent); }\n}\n")
            subprocess.run([tool(app.home, "javac"), "--release", "11", "-d", app.work, source],
                           check=True)
            write_jar(os.path.join(app.app, "myloader.jar"),
                      {"MyLoader.class": os.path.join(app.work, "MyLoader.class")})
            app.strings("1072=Quillmark.jar;jh.jar;myloader.jar")
            app.options += " -Djava.system.class.loader=MyLoader"

        refused = (MADE, RETIRED, FAILED)
        rows = [
            ("a Java agent", agent, (MADE, USING, USING)),
            ("jdwp in JAVA_TOOL_OPTIONS after a tab", jdwp_after_a_tab, (MADE, USING, USING)),
            ("object alignment of 16", options("-XX:ObjectAlignmentInBytes=16"), (MADE, USING, USING)),
            ("no compressed class pointers", options("-XX:-UseCompressedClassPointers"),
             (MADE, USING, USING)),
            # Compressed pointers that the heap limit turns off in the run alone.
            ("a heap limit of the machine's", options("-XX:MaxRAM=200g"), refused),
            # Java 17 maps the archive and leaves out its application classes only.
            ("a system class loader of its own", system_class_loader, {"25": refused}),
        ]
        for name, prepare, expected in rows:
            with self.subTest(name):
                for app in self.check_row(prepare, expected):
                    if (expected.get(app.feature) if isinstance(expected, dict) else
                            expected) == refused:
                        self.assertIn("none, the runtime refused it for this key before: the run "
                                      "did not map it", "\n".join(app.traced()))

    def damage_row(self, damage):
        """An archive made and mapped, then damaged: at most one start ends otherwise
        (a crash retires the archive), then starts are normal again and map a new one.
        Damage that changes the archive's size or time is seen before any start maps it."""
        for feature, home in self.runtimes():
            with self.subTest(runtime=feature):
                app = Start(self, feature, home)
                off, _ = app.run(archive=False)
                app.run()
                done, traced = app.run()
                self.assertEqual((done, outcome(traced)), (off, USING))
                damage(app.archives()[0])
                crashed = False
                for n in range(4):
                    done, traced = app.run()
                    if crashed:
                        self.assertIn("as a run that used it ended without a normal end",
                                      "\n".join(traced))
                    crashed = done != off
                    if crashed:
                        self.assertEqual(n, 0, "a second crash: %s" % done[2][-300:])
                self.assertEqual(outcome(traced), USING)
                self.assertTrue(app.mapped())

    def test_archive_overwritten_in_the_middle(self):
        def damage(path):
            # 4 KiB in every 64 KiB past the header, with the file's time kept, as a
            # disk error would: only a crash can tell (JDK 17 crashes on it).
            stamp = os.stat(path)
            os.chmod(path, 0o600)
            with open(path, "r+b") as archive:
                for offset in range(1 << 16, stamp.st_size - (1 << 16), 1 << 16):
                    archive.seek(offset)
                    archive.write(os.urandom(4096))
            os.utime(path, ns=(stamp.st_atime_ns, stamp.st_mtime_ns))
        self.damage_row(damage)

    def test_truncated_archive(self):
        def damage(path):
            os.chmod(path, 0o600)
            os.truncate(path, os.path.getsize(path) // 2)
        self.damage_row(damage)

    def test_jar_named_by_the_manifest_touched(self):
        def prepare(app):
            extra = os.path.join(app.app, "extra")
            os.makedirs(extra)
            open(os.path.join(extra, "note.txt"), "w").close()
            subprocess.run([tool(app.home, "jar"), "cf", os.path.join(app.app, "extra.jar"),
                            "-C", extra, "note.txt"], check=True)
            with open(os.path.join(app.work, "manifest"), "w") as manifest:
                manifest.write("Class-Path: extra.jar\n")
            subprocess.run([tool(app.home, "jar"), "ufm", os.path.join(app.app, "jh.jar"),
                            os.path.join(app.work, "manifest")], check=True)

        def touch(app, n):
            if n == 1:
                path = os.path.join(app.app, "extra.jar")
                os.utime(path, (time.time() + 5, time.time() + 5))
        self.check_row(prepare, (MADE, MADE, USING), before=touch)

    def test_cache_on_a_nearly_full_file_system(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small tmpfs needs root")

        def prepare(app):
            os.makedirs(app.cache)
            if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", app.cache]).returncode:
                self.skipTest("a tmpfs cannot be mounted here")
            self.addCleanup(subprocess.run, ["umount", "-l", app.cache])
        for app in self.check_row(prepare, (RECORDING, RECORDING, RECORDING)):
            with open(app.trace) as trace:
                self.assertIn("MiB free", trace.read())

    def test_two_first_runs_at_once(self):
        for feature, home in self.runtimes():
            with self.subTest(runtime=feature):
                app = Start(self, feature, home)
                off, _ = app.run("--out", "together", archive=False)
                app.strings("1872=1")
                runs = [app.start("--out", "together") for _ in range(2)]
                for run in runs:
                    out, err = run.communicate(timeout=120)
                    self.assertEqual((run.returncode, visible(out), visible(err)), off)
                app.wait_for_maker()
                self.assertEqual(len(app.archives()), 1)
                done, traced = app.run("--out", "together")
                self.assertEqual((done, outcome(traced)), (off, USING))

    def test_below_a_directory_with_a_blank_and_letters_beyond_ascii(self):
        def prepare(app):
            moved = os.path.join(app.work, "app Zoë")
            os.rename(app.app, moved)
            app.app, app.exe = moved, os.path.join(moved, "quillmark")
        # Java 17 looks archived classes up by a file URL that spells such a path
        # otherwise, and never finds them; Java 25 does.
        self.check_row(prepare, {"17": (UNREACHABLE,) * 3, "25": (MADE, USING, USING)})

    def test_system_exit(self):
        self.check_row(args=("--exit", "7"))

    def test_private_cache_and_leftovers_of_ended_processes(self):
        feature, home = self.runtimes()[0]
        app = Start(self, feature, home)
        app.run()
        for path in (os.path.join(app.cache, "corvane"), app.directory()):
            self.assertEqual(stat.S_IMODE(os.stat(path).st_mode), 0o700, path)
        # Files of a process that ended long ago go; those of a fresh one may still be
        # in use, and those of a running process are.
        ended, running = 999999999, os.getpid()
        names = {"java%s-0.%d.classes" % (feature, ended): True,
                 "java%s-2.%d.classes" % (feature, running): False}
        for name in names:
            path = os.path.join(app.directory(), name)
            open(path, "w").close()
            os.utime(path, (time.time() - 3600, time.time() - 3600))
        fresh = os.path.join(app.directory(), "java%s-1.%d.classes" % (feature, ended))
        open(fresh, "w").close()
        names[os.path.basename(fresh)] = False
        done, traced = app.run()
        self.assertEqual(outcome(traced), USING)
        for name, gone in names.items():
            self.assertEqual(not os.path.exists(os.path.join(app.directory(), name)), gone, name)

    def test_what_the_cache_keeps(self):
        """Each key keeps its archive or the runtime's refusal, for the four keys used
        last; an application known by its jar alone has its directory named after it."""
        def alternate(app, n):
            app.env.pop("JAVA_TOOL_OPTIONS", None)
            if n % 2:
                app.env["JAVA_TOOL_OPTIONS"] = "-Xss2m"

        def refused_dumps(app):
            os.makedirs(os.path.join(app.app, "plugins"))
            open(os.path.join(app.app, "plugins", "readme.txt"), "w").close()
            app.strings("1072=plugins;Quillmark.jar;jh.jar")
            app.base = app.options

        def another_key(app, n):
            # The first two starts share a key; each later one has a key of its own.
            app.options = app.base + " -Xss%dk" % (1024 + 64 * max(n - 1, 0))

        def jar_alone(app):
            app.strings("1168=<null>", "1888=Quillmark.jar")

        rows = [
            ("alternating JAVA_TOOL_OPTIONS", None, alternate, (MADE, MADE, USING, USING)),
            ("five keys whose dumps the runtime refuses", refused_dumps, another_key,
             (FAILED,) * 6),
            ("an application known by its jar", jar_alone, None, (MADE, USING)),
        ]
        for name, prepare, before, expected in rows:
            with self.subTest(name):
                for app in self.check_row(prepare, expected, before=before):
                    names = os.listdir(app.directory())
                    if before is another_key:
                        self.assertEqual(len([n for n in names if n.endswith(".refused")]), 4,
                                         names)
                        with open(app.trace) as trace:
                            self.assertIn("Cannot have non-empty directory in paths", trace.read())
                    if prepare is jar_alone:
                        self.assertRegex(os.path.basename(app.directory()),
                                         r"^Quillmark\.jar-[0-9a-f]{8}$")

    def test_passing_failures_of_the_maker_are_not_remembered(self):
        """A making that fails for a reason of the moment is tried again by the next
        start; only what the runtime refuses is remembered."""
        # The launcher ends first: its parent waits for it.
        def replace_launcher(app, process):
            process.wait()
            app.wait_until(lambda: glob.glob(os.path.join(app.cache, "corvane", "*", "*.making")),
                           "making")
            shutil.copy2(app.exe, app.exe + ".new")
            os.replace(app.exe + ".new", app.exe)

        def start_elsewhere(app):
            app.cwd = os.path.join(app.work, "start")
            app.strings("1216=1")

        def delete_start_directory(app, process):
            app.wait_for_trace("main returned")
            shutil.rmtree(app.cwd)

        def kill_dump(app, process):
            process.wait()
            app.wait_until(lambda: processes_with(SWITCH, "dump", app.cache), "dump")
            for pid in processes_with(SWITCH, "dump", app.cache):
                os.kill(pid, signal.SIGKILL)

        rows = [
            ("the launcher replaced", None, replace_launcher, ()),
            # The run goes on for a second after main returned, in a directory gone.
            ("the start directory deleted", start_elsewhere, delete_start_directory,
             ("--hook", "1000")),
            ("the dump killed", None, kill_dump, ()),
        ]
        for name, prepare, fault, args in rows:
            with self.subTest(name):
                self.check_row(prepare, (FOR_NOW, MADE, USING), args=args, during=fault)

    def test_url_spelling_of_every_printable_character(self):
        """Java 17 finds archived classes below a directory only when a file URL spells
        its name as it is: for every printable ASCII character the launcher decides as
        the runtime does. (':' separates the class path, '/' a path.)"""
        home = RUNTIMES["17"]
        if not os.path.isdir(home):
            self.skipTest("%s is not installed" % home)
        app = Start(self, "17", home)
        characters = [chr(c) for c in range(0x20, 0x7f) if chr(c) not in ":/"]
        source = os.path.join(app.work, "source")
        os.makedirs(source)
        for n in range(len(characters)):
            with open(os.path.join(source, "C%02d.java" % n), "w") as java:
                java.write("public class C%02d {}\n" % n)
        with open(os.path.join(source, "Main.java"), "w") as java:
            java.write("public class Main { public static void main(String[] a) throws Exception {"
                       " for (int i = 0; i < %d; i++) Class.forName(String.format(\"C%%02d\", i));"
                       " } }\n" % len(characters))
        subprocess.run([tool(home, "javac"), "-d", source] +
                       glob.glob(os.path.join(source, "*.java")), check=True)
        below = [os.path.join(app.work, "below", "p%sq" % c) for c in characters]
        jars = []
        for n, directory in enumerate(below):
            os.makedirs(directory)
            jars.append(os.path.join(directory, "c.jar"))
            write_jar(jars[-1], {"C%02d.class" % n: os.path.join(source, "C%02d.class" % n)})
        write_jar(os.path.join(app.work, "main.jar"), {"Main.class": os.path.join(source, "Main.class")})
        # What the runtime does: one archive of all the classes, then one run.
        java = [tool(home, "java"), "-cp", ":".join(jars + [os.path.join(app.work, "main.jar")])]
        listed, archive = os.path.join(app.work, "classes"), os.path.join(app.work, "a.jsa")
        subprocess.run(java[:1] + ["-XX:DumpLoadedClassList=" + listed] + java[1:] + ["Main"],
                       check=True)
        subprocess.run(java[:1] + ["-Xshare:dump", "-XX:SharedClassListFile=" + listed,
                                   "-XX:SharedArchiveFile=" + archive] + java[1:],
                       check=True, stdout=subprocess.DEVNULL)
        loaded = subprocess.run(java[:1] + ["-XX:SharedArchiveFile=" + archive,
                                            "-Xlog:class+load=info"] + java[1:] + ["Main"],
                                check=True, stdout=subprocess.PIPE, text=True).stdout
        shared = {characters[int(n)] for n in re.findall(r" C(\d\d) source: shared objects file",
                                                         loaded)}
        # What the launcher decides, started from each directory; the runtime then
        # refuses to start, and nothing is made.
        app.strings("1216=1", "1872=1", "1056=-XX:ObjectAlignmentInBytes=3")
        decided = set()
        for c, directory in zip(characters, below):
            app.cwd = directory
            if os.path.exists(app.trace):
                os.remove(app.trace)
            app.start().communicate(timeout=60)
            lines = "\n".join(app.traced())
            self.assertRegex(lines, "recording the classes|none, the class path lies below", c)
            if "recording the classes" in lines:
                decided.add(c)
        self.assertGreater(len(shared), 10, loaded[-2000:])
        self.assertEqual("".join(sorted(decided)), "".join(sorted(shared)))

    def test_the_end_of_a_recording_run(self):
        """The run that records its classes ends as soon as one without the setting,
        however large its heap, and whatever becomes of its launcher."""
        for feature, home in self.runtimes():
            with self.subTest("a heap of 2 GiB, touched", runtime=feature):
                app = Start(self, feature, home)
                app.options += " -Xms2g -Xmx2g -XX:+AlwaysPreTouch"
                app.run(archive=False)
                off = app.from_main_returned_to_end_ms()
                done, traced = app.run()
                self.assertEqual(outcome(traced), MADE)
                recording = app.from_main_returned_to_end_ms()
                self.assertLess(recording, off + 100, "ms from main's return to the end")

            with self.subTest("a launcher its parent has not waited for", runtime=feature):
                app = Start(self, feature, home)
                app.strings("1056=" + app.options, "1872=1")
                with open(os.path.join(app.work, "out"), "w") as out:
                    process = app.start(stdout=out, stderr=out)
                    app.wait_for_trace("exit code")
                    app.wait_until(lambda: process_state(process.pid) in ("Z", None), "end")
                    app.wait_for_maker(30)
                    process.wait()
                self.assertEqual(outcome(app.traced()), MADE)

            with self.subTest("a launcher deleted while it runs", runtime=feature):
                app = Start(self, feature, home)

                def delete(app, process):
                    app.wait_for_trace("main returned")
                    os.remove(app.exe)
                done, traced = app.run("--hook", "1000", during=delete)
                self.assertEqual(done[0], 0)
                self.assertIn("startup archive: the process that makes it could not be "
                              "started: No such file or directory", traced)
                self.assertFalse([line for line in traced if "in a process of its own" in line])
                self.assertEqual([name for name in os.listdir(app.directory())
                                  if name.endswith((".request", ".classes"))], [])


def process_state(pid):
    """The state letter of a process ("Z" for one ended but not waited for), or None."""
    try:
        with open("/proc/%d/stat" % pid) as stat_line:
            return stat_line.read().rsplit(")", 1)[1].split()[0]
    except (OSError, IndexError):
        return None


if __name__ == "__main__":
    unittest.main()
