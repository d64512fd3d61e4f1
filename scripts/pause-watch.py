#!/usr/bin/env python3
"""Logs the moments when this machine did not run a sleeping process on time.

One process per processor, each bound to its processor, sleeps 4 ms at a time and logs every gap
over the threshold, with how much of it the thread itself ran and how much it waited for its
processor. A gap in which it did neither is a pause of the machine itself (on a virtual machine,
the host not running it). Run it beside the app with VANTREL_LOOP_MONITOR set and compare the
times of the two logs: a stall of the app that comes with a pause here is not the app's.

usage: scripts/pause-watch.py [seconds] [threshold_ms]
"""

import datetime
import multiprocessing
import os
import sys
import time


def run_queue_ms():
    try:
        with open("/proc/thread-self/schedstat") as f:
            return int(f.read().split()[1]) / 1e6
    except (OSError, ValueError, IndexError):
        return 0.0


def watch(cpu, seconds, threshold_ms):
    os.sched_setaffinity(0, {cpu})
    end = time.monotonic() + seconds
    last, last_cpu, last_queued = time.monotonic(), time.thread_time(), run_queue_ms()
    while time.monotonic() < end:
        time.sleep(0.004)
        now, ran, queued = time.monotonic(), time.thread_time(), run_queue_ms()
        gap = (now - last) * 1000
        if gap > threshold_ms:
            stamp = datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S.%f")[:-3]
            print(f"{stamp} processor {cpu}: gap {gap:.1f} ms (ran {(ran - last_cpu) * 1000:.1f} ms, "
                  f"waiting for the processor {queued - last_queued:.1f} ms)", flush=True)
        last, last_cpu, last_queued = now, ran, queued


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 600.0
    threshold_ms = float(sys.argv[2]) if len(sys.argv) > 2 else 16.0
    cpus = sorted(os.sched_getaffinity(0))
    watchers = [multiprocessing.Process(target=watch, args=(cpu, seconds, threshold_ms)) for cpu in cpus]
    for w in watchers:
        w.start()
    for w in watchers:
        w.join()
    print(f"watched processors {', '.join(map(str, cpus))} for {seconds:.0f} s", flush=True)


if __name__ == "__main__":
    main()
