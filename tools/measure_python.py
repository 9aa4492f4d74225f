#!/usr/bin/python3
"""Measures the qd5 Python module against qd5run on the same simulated hours,
and rewrites the "## From Python" section of docs/PERFORMANCE.md
(tools/perf_table.py keeps that section when `make bench` rewrites the rest):
  1. an hour on the run screen with nothing changing: `dev.wait(3600)` against
     a scenario whose one wait is 60min;
  2. the hour of `make bench` (four channels, channel 1 creeping through its
     alarm once a minute): `set` and `wait(60)` sixty times against the same
     steps in a scenario;
  3. what single calls cost.
Each figure is the median of five runs; qd5run's CPU time is its own
(the child's rusage), which includes starting the program.
Usage: tools/measure_python.py [BUILD]   (make python-perf)
"""
import os
import re
import resource
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOC = os.path.join(ROOT, "docs", "PERFORMANCE.md")
HEADING = "## From Python"
RUNS = 5
NORMAL = dict(ch1=216, ch2=156, ch3=2048, volts=1440)


def creeping_minutes():
    """The minutes of bench/bench_runner.cpp's hour: ch1 through its alarm and back."""
    return [(20 + (minute % 20) * 20, 2048 + minute) for minute in range(60)]


def scenario_texts():
    start = "  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}\n  - power: on\n"
    still = "name: a still hour\nsteps:\n" + start + "  - wait: 60min\n"
    creeping = "name: an hour\nsteps:\n" + start + "".join(
        f"  - set: {{ch1: {ch1}, ch3: {ch3}}}\n  - wait: 1min\n" for ch1, ch3 in creeping_minutes())
    return still, creeping


def qd5run_seconds(program, text, folder):
    """Wall and CPU seconds of one qd5run process playing text."""
    path = os.path.join(folder, "hour.yaml")
    with open(path, "w") as f:
        f.write(text)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    started = time.perf_counter()
    subprocess.run([program, "--out", os.path.join(folder, "out"), path], check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - started
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def python_seconds(qd5, creeping):
    started, cpu = time.perf_counter(), time.process_time()
    dev = qd5.Instrument()
    dev.set(**NORMAL)
    dev.power_on()
    if creeping:
        for ch1, ch3 in creeping_minutes():
            dev.set(ch1=ch1, ch3=ch3)
            dev.wait(60)
    else:
        dev.wait(3600)
    assert abs(dev.time - 3600) < 0.02, dev.time
    return time.perf_counter() - started, time.process_time() - cpu


def call_costs(qd5):
    """Microseconds per call, each over many calls on the run screen."""
    dev = qd5.Instrument()
    dev.set(**NORMAL)
    dev.power_on()
    dev.wait(1.2)
    n = 2000

    def per_call(action):
        started = time.process_time()
        for i in range(n):
            action(i)
        return (time.process_time() - started) / n * 1e6

    return {
        "`dev.screen`": per_call(lambda i: dev.screen),
        "`dev.pixel(10, 20)`": per_call(lambda i: dev.pixel(10, 20)),
        "`dev.reading(\"ch1\")`": per_call(lambda i: dev.reading("ch1")),
        "`dev.texts` (12 texts)": per_call(lambda i: dev.texts),
        "`dev.set(ch1=...)`, a value not set before": per_call(lambda i: dev.set(ch1=1000 + i)),
        "`dev.set(ch1=...)`, a value set before": per_call(lambda i: dev.set(ch1=1000 + i)),
        "`dev.wait(passes=1)` (one pass of the run screen included)": per_call(lambda i: dev.wait(passes=1)),
    }


def median_pair(runs):
    return statistics.median(w for w, _ in runs), statistics.median(c for _, c in runs)


def measure(build):
    sys.path.insert(0, os.path.join(build, "python"))
    import qd5
    program = os.path.join(build, "qd5run")
    still, creeping = scenario_texts()
    figures = {}
    with tempfile.TemporaryDirectory() as folder:
        for name, text, moving in (("still", still, False), ("creeping", creeping, True)):
            figures[name] = (median_pair([qd5run_seconds(program, text, folder) for _ in range(RUNS)]),
                             median_pair([python_seconds(qd5, moving) for _ in range(RUNS)]))
    figures["calls"] = call_costs(qd5)
    return figures


def machine():
    model = "unknown CPU"
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    return f"{model}, {os.cpu_count()} cores"


def section(figures):
    out = [HEADING, "",
           "Written by tools/measure_python.py (`make python-perf`): the qd5 module of `build/python` "
           f"under Debian's /usr/bin/python3 against `build/qd5run` on the same simulated hours; medians of "
           f"{RUNS} runs on {machine()}.", "",
           "| Simulated hour | qd5run: wall / CPU | Python: wall / CPU | Python / qd5run (CPU) |",
           "|---|---|---|---|"]
    rows = (("still", "run screen, nothing changing: `dev.wait(3600)` / `wait: 60min`"),
            ("creeping", "run screen, ch1 through its alarm once a minute: 60 x `set` and `wait(60)` / "
                         "the same steps"))
    for key, what in rows:
        (rw, rc), (pw, pc) = figures[key]
        out.append(f"| {what} | {rw:.2f} s / {rc:.2f} s | {pw:.2f} s / {pc:.2f} s | {pc / rc:.2f} |")
    out += ["", "| Call | CPU time per call |", "|---|---|"]
    for what, us in figures["calls"].items():
        out.append(f"| {what} | {us:.1f} µs |")
    out += ["",
            "The hour runs in the same C++ either way (the module drives the runner's driver); qd5run's "
            "figure includes starting the program and reading the scenario. A call that acts is read as a "
            "scenario step by the runner's loader, which keeps the steps it has read.", ""]
    return "\n".join(out)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    figures = measure(build)
    print(figures)
    text = open(DOC).read() if os.path.exists(DOC) else "# Performance\n"
    kept = re.sub(rf"\n{re.escape(HEADING)}\n.*?(?=\n## |\Z)", "", text, flags=re.S).rstrip("\n")
    with open(DOC, "w") as f:
        f.write(kept + "\n\n" + section(figures))
    print(f"{DOC}: section '{HEADING}' rewritten")


if __name__ == "__main__":
    main()
