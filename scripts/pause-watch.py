#!/usr/bin/env python3
"""Logs the moments when this machine did not run a sleeping process on time.

One process per processor, each bound to its processor, sleeps 4 ms at a time and logs every gap
over the threshold, with how much of it the thread itself ran and how much it waited for its
processor. A gap in which it did neither is a pause of the machine itself (on a virtual machine,
the host not running it). Run it beside the app with VANTREL_LOOP_MONITOR set and compare the
times of the two logs: a stall of the app that comes with a pause here is not the app's.

usage: scripts/pause-watch.py [seconds] [threshold_ms]
       scripts/pause-watch.py --compare APP_LOG PAUSE_LOG
The second form lists each stall of the app's log with the pauses that overlap it: a stall that
comes with a gap in which a watcher neither ran nor waited for its processor is the machine's (a
sleeping watcher that "ran" through a gap was stopped with its processor: the machine's too).
A stall during which every processor's watcher waited for its processor most of its gap, while
the app's other threads were idle, had every processor held: the app's main thread can hold one
of them, something outside the app held the others. It is listed apart, neither the app's nor a
pause.
"""

import datetime
import multiprocessing
import os
import re
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
            line = (f"{stamp} processor {cpu}: gap {gap:.1f} ms (ran {(ran - last_cpu) * 1000:.1f} ms, "
                    f"waiting for the processor {queued - last_queued:.1f} ms)\n")
            # One write for the whole line: the watchers share the output, and lines written in
            # pieces by two of them at once would run into each other.
            os.write(sys.stdout.fileno(), line.encode())
        last, last_cpu, last_queued = now, ran, queued


def stamp_seconds(text):
    return datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S.%f").timestamp()


def compare(app_log, pause_log):
    stall = re.compile(r"^(\S+ \S+) .*Main loop: stalled ([\d.]+) ms at ([\d.]+) s \(main thread busy ([\d.]+) ms"
                       r"(?:.*other threads busy ([\d.]+) ms)?.*$")
    watched = re.compile(r"^watched processors ([\d, ]+) for")
    gap = re.compile(r"(\d{4}-\d\d-\d\d \S+) processor (\d+): gap ([\d.]+) ms \(ran ([\d.]+) ms, waiting for the processor ([\d.]+) ms\)")
    pauses = []
    processors = set(os.sched_getaffinity(0))
    with open(pause_log, errors="replace") as f:
        for line in f:
            w = watched.match(line)
            if w:
                processors = {int(c) for c in w.group(1).split(",")}
            # Logs written before each line was one write may have two gaps on a line.
            for m in gap.finditer(line):
                end = stamp_seconds(m.group(1))
                length, waiting = float(m.group(3)), float(m.group(5))
                pauses.append((end - length / 1000, end, int(m.group(2)), length, waiting))
    ours = machine = held = 0
    with open(app_log, errors="replace") as f:
        for line in f:
            m = stall.match(line)
            if not m:
                continue
            end = stamp_seconds(m.group(1))
            length = float(m.group(2))
            start = end - length / 1000
            overlapping = [p for p in pauses if p[0] < end + 0.005 and p[1] > start - 0.005]
            paused = [p for p in overlapping if p[4] < p[3] / 2]
            others_idle = m.group(5) is not None and float(m.group(5)) <= 1.0
            waited_on = {p[2] for p in overlapping if p[4] >= p[3] / 2 and p[4] >= length / 4}
            if paused:
                verdict = "the machine paused"
                machine += 1
            elif others_idle and waited_on >= processors:
                verdict = "every processor held"
                held += 1
            else:
                verdict = "the app's own"
                ours += 1
            seen = ", ".join(f"processor {p[2]} gap {p[3]:.1f} ms (waited {p[4]:.1f})" for p in overlapping) or "no pause"
            print(f"{m.group(1)} stall {length:.1f} ms at {m.group(3)} s, busy {m.group(4)} ms: {verdict}; {seen}")
    print(f"{ours + machine + held} stalls: {ours} the app's own, {machine} with the machine paused, "
          f"{held} with every processor held")


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--compare":
        compare(sys.argv[2], sys.argv[3])
        return
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
