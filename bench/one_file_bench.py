#!/usr/bin/env python3
"""Later starts of a one-file launcher against the same launcher with its archives
beside it, on JDK 17: the sample (two small archives) and Debian's Rhino (one archive
of about 1.3 MB).

For each program both launchers are made by corvane-make from one configuration (the
one-file one with --one-file), run twice each (the one-file launcher writes its
archives to the cache at its first start; the start-up archive, when on, is made
after a run), then alternately in one session, so that both see the same machine.
Reports the median and spread (interquartile range) of the wall time and the ratio.

    bench/one_file_bench.py build/linux [runs]
"""

import glob
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from runs import processor_seconds, summary, timed_run

JDK17 = "/usr/lib/jvm/java-17-openjdk-amd64"
RHINO = "/usr/share/java/rhino.jar"


def wait_for_makers(cache):
    while glob.glob(os.path.join(cache, "corvane", "*", "*.request")):
        time.sleep(0.1)


def compare(build, work, name, config, archives, arguments, startup_archive, runs):
    make = os.path.join(build, "tools", "make", "corvane-make")
    generic = os.path.join(build, "launcher", "corvane")
    folder = os.path.join(work, name)
    source = os.path.join(folder, "source")
    os.makedirs(source)
    for archive in archives:
        shutil.copy(archive, source)
    with open(os.path.join(source, "app.toml"), "w") as out:
        out.write(config + 'RuntimeLibrary = "%s"\nStartupArchive = %s\n'
                  % (JDK17, "true" if startup_archive else "false"))
    launchers = {"beside": os.path.join(source, "app"), "one file": os.path.join(folder, "app")}
    for kind, output in launchers.items():
        extra = ["--one-file"] if kind == "one file" else []
        subprocess.run([make, "--config", os.path.join(source, "app.toml"), "--target", "linux",
                        "--launcher", generic, "--output", output, *extra], check=True,
                       stdout=subprocess.DEVNULL)
    cache = os.path.join(folder, "cache")
    env = dict(os.environ, XDG_CACHE_HOME=cache)
    for _ in range(2):
        for output in launchers.values():
            timed_run([output, *arguments], env=env)
            wait_for_makers(cache)
    times = {kind: [] for kind in launchers}
    processor = {kind: [] for kind in launchers}
    for _ in range(runs):
        for kind, output in launchers.items():
            wall, usage = timed_run([output, *arguments], env=env)
            times[kind].append(wall * 1000)
            processor[kind].append(processor_seconds(usage) * 1000)
    print("%s, start-up archive %s, %d runs each, alternating"
          % (name, "on" if startup_archive else "off", runs))
    for kind in launchers:
        median, spread = summary(times[kind])
        print("  %-8s median %7.1f ms  IQR %5.1f ms  processor %7.1f ms"
              % (kind, median, spread, statistics.median(processor[kind])))
    for label, samples in (("wall", times), ("processor", processor)):
        ratio = statistics.median(samples["one file"]) / statistics.median(samples["beside"])
        print("  ratio one file / beside, %s time: %.3f (target: at most 1.05)" % (label, ratio))


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/linux")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    if not os.path.isdir(JDK17):
        sys.exit("JDK 17 is not installed in " + JDK17)
    sample = os.path.join(build, "examples", "quillmark")
    programs = [("sample", 'MainClass = "org.quillmark.Quillmark"\n'
                 'ClassPath = "Quillmark.jar;jh.jar"\n',
                 [os.path.join(sample, "Quillmark.jar"), os.path.join(sample, "jh.jar")], [])]
    if os.path.exists(RHINO):
        programs.append(("rhino", 'MainJar = "rhino.jar"\n', [RHINO], ["-e", "print(6 * 7)"]))
    else:
        print("Rhino is not installed (%s): apt-get install rhino" % RHINO)
    work = tempfile.mkdtemp(prefix="corvane-one-file-bench-")
    try:
        for startup_archive in (False, True):
            for name, config, archives, arguments in programs:
                compare(build, work, "%s-%d" % (name, startup_archive), config, archives,
                        arguments, startup_archive, runs)
    finally:
        shutil.rmtree(work, True)


if __name__ == "__main__":
    main()
