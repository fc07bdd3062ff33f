#!/usr/bin/env python3
"""Start-up with the launcher's class-data archive against `java -cp` on the same
runtime: the sample, and a generated program that loads a few thousand classes.

For each program, runs alternate between the two commands in one session, so that
both see the same machine. Steady starts map the archive that a warm-up run had made;
first starts remove the archive before each launcher run, so that the run records its
classes and a detached process makes the archive after it. That process's time (from
the launcher's end until the archive is in place) is reported on its own; the next
run waits for it, off every clock. Reports medians and interquartile ranges of wall
and CPU time, and the launcher's ratios to java.

    bench/startup_archive_bench.py BUILD_DIR [--runs N] [--first-runs N] [--java-home DIR]

BUILD_DIR is a linux build with the demo, the tools and bench/many.jar
(cmake --build --preset linux --target bench-startup-archive).
"""

import argparse
import glob
import os
import shutil
import statistics
import subprocess
import tempfile
import time

from runs import processor_seconds, summary, timed_run


class Program:
    """One application: its launcher with the archive on, and the same start by java."""

    def __init__(self, name, build, work, java_home, jars, main, options):
        self.name = name
        self.app = os.path.join(work, name)
        os.makedirs(self.app)
        for jar in jars:
            shutil.copy(jar, self.app)
        self.cache = os.path.join(work, name + "-cache")
        self.making = []
        self.env = dict(os.environ, XDG_CACHE_HOME=self.cache, XDG_RUNTIME_DIR=work)
        self.env.pop("CORVANE_TRACE", None)
        launcher = os.path.join(self.app, name)
        shutil.copy(os.path.join(build, "launcher", "corvane"), launcher)
        tools = os.path.join(build, "tools")
        scrambled = subprocess.run([os.path.join(tools, "corvane-scramble"), main], check=True,
                                   stdout=subprocess.PIPE, text=True).stdout.strip()
        names = [os.path.basename(jar) for jar in jars]
        library = os.path.join(java_home, "lib", "server", "libjvm.so")
        subprocess.run([os.path.join(tools, "corvane-strings"), launcher, "1040=" + library,
                        "1056=" + (" ".join(options) or "<null>"), "1072=" + ";".join(names),
                        "1168=" + scrambled, "1344=1", "1872=1"], check=True)
        self.commands = {
            "corvane": [launcher],
            "java -cp": [os.path.join(java_home, "bin", "java"), *options, "-cp",
                         ":".join(names), main],
        }

    def run(self, name):
        wall, usage = timed_run(self.commands[name], self.app, self.env)
        timing = wall, processor_seconds(usage)
        if name == "corvane":
            self.wait_for_maker()
        return timing

    def wait_for_maker(self):
        """Until the detached process that makes the archive has ended: its seconds."""
        start = time.perf_counter()
        pattern = os.path.join(self.cache, "corvane", "*", "*.request")
        while glob.glob(pattern):
            time.sleep(0.01)
        self.making.append(time.perf_counter() - start)

    def forget_archive(self):
        shutil.rmtree(self.cache, ignore_errors=True)


def compare(program, runs, first):
    """Alternating pairs: (wall, cpu) lists per command."""
    times = {name: ([], []) for name in program.commands}
    for _ in range(runs):
        for name in program.commands:
            if first and name == "corvane":
                program.forget_archive()
            wall, cpu = program.run(name)
            times[name][0].append(wall * 1000)
            times[name][1].append(cpu * 1000)
    return times


def report(title, times):
    print(title)
    for name, (wall, cpu) in times.items():
        median, spread = summary(wall)
        print("  %-9s wall median %7.1f ms  IQR %6.1f ms   CPU median %7.1f ms" %
              (name, median, spread, statistics.median(cpu)))
    ratio = statistics.median(times["corvane"][0]) / statistics.median(times["java -cp"][0])
    cpu = statistics.median(times["corvane"][1]) / statistics.median(times["java -cp"][1])
    print("  ratio corvane / java: wall %.3f, CPU %.3f" % (ratio, cpu))
    return ratio


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--first-runs", type=int, default=11)
    parser.add_argument("--java-home", default=os.path.realpath("/usr/lib/jvm/default-java"))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    sample = os.path.join(build, "examples", "quillmark")
    work = tempfile.mkdtemp(prefix="corvane-archive-bench-")
    try:
        programs = [
            Program("many", build, work, args.java_home, [os.path.join(build, "bench", "many.jar")],
                    "gen.Main", []),
            Program("quillmark", build, work, args.java_home,
                    [os.path.join(sample, "Quillmark.jar"), os.path.join(sample, "jh.jar")],
                    "org.quillmark.Quillmark", ["-DCorvane=Yes"]),
        ]
        print("runtime %s" % args.java_home)
        for program in programs:
            for name in program.commands:  # warm-up; after the launcher's, the archive is made
                program.run(name)
            size = sum(os.path.getsize(os.path.join(root, f))
                       for root, _, files in os.walk(program.cache) for f in files)
            report("%s: later starts with the archive (%d KiB), %d pairs" %
                   (program.name, size // 1024, args.runs), compare(program, args.runs, False))
            program.making = []
            report("%s: first starts, which record the classes, %d pairs" %
                   (program.name, args.first_runs), compare(program, args.first_runs, True))
            made = [s for s in program.making if s > 0.05]
            if made:
                print("  making the archive after the run: median %.2f s" % statistics.median(made))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
