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
import sys

from runs import summary, timed_run


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
        timed_run(command, demo)
    for _ in range(runs):
        for name, command in commands.items():
            elapsed, usage = timed_run(command, demo)
            times[name].append(elapsed * 1000)
            memory[name].append(usage.ru_maxrss)
    print("start-up of the sample, %d runs each, alternating" % runs)
    for name in commands:
        median, spread = summary(times[name])
        print("%-9s median %7.1f ms  IQR %5.1f ms  peak memory %7d KiB" %
              (name, median, spread, max(memory[name])))
    ratio = statistics.median(times["corvane"]) / statistics.median(times["java -cp"])
    print("ratio corvane / java: %.3f (target: within 1.02)" % ratio)


if __name__ == "__main__":
    main()
