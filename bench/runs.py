"""Runs of a command for the benchmarks, timed from the outside, and their summary."""

import os
import statistics
import subprocess
import sys
import time


def timed_run(command, cwd=None, env=None):
    """Wall seconds and the resource usage (os.wait4's: processor times, peak memory) of
    one run, its output discarded; the benchmark stops when the run fails."""
    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: %s" % " ".join(command))
    return elapsed, usage


def processor_seconds(usage):
    """User and system time of the process and its threads."""
    return usage.ru_utime + usage.ru_stime


def summary(samples):
    """The median and the interquartile range."""
    quartiles = statistics.quantiles(samples, n=4)
    return statistics.median(samples), quartiles[2] - quartiles[0]
