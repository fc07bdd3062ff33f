#!/usr/bin/env python3
"""Start-up of the sample: the Linux launcher against `java -cp` on the same JDK.

Both start the same main class with the same option and archives and are run
alternately in one session, so that both see the same machine. Reports the median
and spread (interquartile range) of the wall time, the peak memory of each, and the
launcher's ratio to java.

    bench/startup_bench.py build/linux/demo [runs]
"""

import os
import statistics
import subprocess
import sys
import time


def measure(command, cwd):
    """Wall seconds and peak resident kilobytes of one run."""
    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: %s" % " ".join(command))
    return elapsed, usage.ru_maxrss


def summary(samples):
    quartiles = statistics.quantiles(samples, n=4)
    return statistics.median(samples), quartiles[2] - quartiles[0]


def main():
    demo = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/linux/demo")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    java = os.path.join(os.path.realpath("/usr/lib/jvm/default-java"), "bin", "java")
    commands = {
        "corvane": [os.path.join(demo, "quillmark")],
        "java -cp": [java, "-DCorvane=Yes", "-cp", "Quillmark.jar:jh.jar",
                     "org.quillmark.Quillmark"],
    }
    times = {name: [] for name in commands}
    memory = {name: [] for name in commands}
    for name, command in commands.items():  # one warm-up run each
        measure(command, demo)
    for _ in range(runs):
        for name, command in commands.items():
            elapsed, peak = measure(command, demo)
            times[name].append(elapsed * 1000)
            memory[name].append(peak)
    print("start-up of the sample, %d runs each, alternating" % runs)
    for name in commands:
        median, spread = summary(times[name])
        print("%-9s median %7.1f ms  IQR %5.1f ms  peak memory %7d KiB" %
              (name, median, spread, max(memory[name])))
    ratio = statistics.median(times["corvane"]) / statistics.median(times["java -cp"])
    print("ratio corvane / java: %.3f (target: within 1.02)" % ratio)


if __name__ == "__main__":
    main()
