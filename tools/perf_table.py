#!/usr/bin/env python3
"""Writes docs/PERFORMANCE.md from the benchmark results (Google Benchmark
JSON) and the output of tools/measure_window.sh and tools/gui_soak.sh.

Sections of the current docs/PERFORMANCE.md that start with a "## " heading
are written by other measurement scripts (tools/measure_web.py) and are kept.

With --compare it writes only the "## Old against new" section, from the runs of
tools/bench_compare.sh (base-N.json / new-N.json from qd5_bench, base-N.qd5run /
new-N.qd5run from /usr/bin/time -f '%e %U %S'), and keeps the rest of the file.

Usage: tools/perf_table.py BENCH_JSON WINDOW_LOG > NEW_PERFORMANCE.md
       tools/perf_table.py --compare RUNS_DIR BASE_COMMIT COMMAND > NEW_PERFORMANCE.md
"""
import glob
import os
import json
import platform
import re
import subprocess
import sys

BENCH_CMD = "make bench (tools/run_bench.sh: qd5_bench --benchmark_repetitions=5)"
WINDOW_CMD = "tools/measure_window.sh build 30` and `tools/gui_soak.sh build/host/qd5sim 30"

# Benchmark name -> (what it measures, target in microseconds or None)
BENCHMARKS = [
    ("BM_lcd_clear", "`lcd_clear`", 1.0),
    ("BM_lcd_fill_rect_full_screen", "full-screen `lcd_fill_rect`", None),
    ("BM_lcd_line_diagonal", "diagonal `lcd_line`", None),
    ("BM_lcd_arc_knob", "knob arc (`lcd_arc`)", None),
    ("BM_lcd_draw_image_icon", "full decode of an icon", None),
    ("BM_lcd_text_size8_20_chars", "20-character text, size 8", 2.0),
    ("BM_lcd_text_size34_4_digits", "4-digit number, size 34", None),
    ("BM_text_record_add", "storing one `lcd_text` call in the record of drawn texts", None),
    ("BM_lcd_text_size8_20_chars_recorded", "20-character text, size 8, with its record entry stored", None),
    ("BM_sampling_tick", "one sampling tick, four channels (P, T, I, V)", 1.0),
    ("BM_run_pass_empty_screen", "`run_pass` with an empty screen", None),
    ("BM_run_pass_sampling_empty_screen", "`run_pass` with sampling, empty screen", None),
]
PAGES = ["horizontal bars", "vertical bars", "digital", "min/max"]
for page in range(4):
    for channels in (4, 1):
        BENCHMARKS.append((f"BM_run_screen_pass/page:{page}/channels:{channels}",
                           f"run screen pass, {PAGES[page]} page, {channels} channel{'s' if channels > 1 else ''}",
                           15.0))
BENCHMARKS += [
    ("BM_main_menu_pass", "main menu pass", 20.0),
    ("BM_misc_setup_pass", "misc setup pass", None),
    ("BM_menu_code_pass", "menu code screen pass", None),
    ("BM_ChannelSetupPassTop", "channel setup pass, longest list, cursor at top", 20.0),
    ("BM_ChannelSetupPassBottom", "channel setup pass, longest list, cursor at bottom", 20.0),
    ("BM_CalibrationPass", "sender calibration pass", None),
]


def machine():
    model = "unknown CPU"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    cores = subprocess.run(["nproc"], capture_output=True, text=True).stdout.strip()
    return f"{model}, {cores} cores, {platform.system()} {platform.release()}"


def medians(path):
    data = json.load(open(path))
    result = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]]
        result[b["run_name"].replace("/repeats:5", "")] = (b["real_time"] * scale, b["cpu_time"] * scale)
    return result


def window_figures(path):
    text = open(path).read()
    figures = {}
    starts = [int(x) for x in re.findall(r"start \d+: (\d+) ms", text)]
    if starts:
        figures["start"] = (sorted(starts)[len(starts) // 2], max(starts))
    m = re.search(r"run screen: points ([\d.]+) us/frame, texture ([\d.]+) us/frame", text)
    if m:
        figures["render_run"] = (float(m.group(1)), float(m.group(2)))
    m = re.search(r"every pixel lit: points ([\d.]+) us/frame, texture ([\d.]+) us/frame", text)
    if m:
        figures["render_lit"] = (float(m.group(1)), float(m.group(2)))
    for what, key in (("run screen", "render_run_2"), ("every pixel lit", "render_lit_2")):
        m = re.search(what + r" at scale 2: points ([\d.]+) us/frame, texture ([\d.]+) us/frame", text)
        if m:
            figures[key] = (float(m.group(1)), float(m.group(2)))
    m = re.search(r"gui_soak: CPU: ([\d.]+)% of one core while clicked .*?, ([\d.]+)% idle", text)
    if m:
        figures["cpu_clicked"] = (float(m.group(1)), float(m.group(2)))
    for block in re.split(r"== CPU use", text)[1:]:
        head = block.splitlines()[0]
        cpu = re.search(r"([\d.]+)% of one core", block)
        rss = re.search(r"resident memory: (\d+) kB", block)
        key = ("cpu_points" if "renderer points" in head else "cpu_texture") + ("_always" if "every pass" in head else "") + ("_scale2" if "scale 2" in head else "")
        figures[key] = (float(cpu.group(1)) if cpu else None, int(rss.group(1)) if rss else None)
    return figures


# Sections this script writes itself; every other "## " section is kept.
WRITTEN_HERE = ("## Scenario runner (qd5run)",)


def kept_sections():
    path = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "docs", "PERFORMANCE.md")
    if not os.path.exists(path):
        return []
    sections = re.split(r"^(?=## )", open(path).read(), flags=re.M)[1:]
    out = []
    for section in sections:
        if not section.startswith(WRITTEN_HERE):
            out += ["", section.rstrip("\n")]
    return out


def fmt(us):
    if us >= 1e6:
        return f"{us / 1e6:.2f} s"
    if us >= 1e4:
        return f"{us / 1e3:.1f} ms"
    return f"{us * 1000:.0f} ns" if us < 1 else f"{us:.1f} µs"


# The scenario runner (qd5run), benchmarks of bench/bench_runner.cpp:
# name -> (what it measures, target in microseconds)
RUNNER_BENCHMARKS = [
    ("BM_qd5run_hour_run_screen/iterations:1",
     "one hour of simulated time on the run screen, four channels, input moving, no recording", 3.6e6),
    ("BM_qd5run_gif_60s_scale2/iterations:1", "60 s recorded as a GIF at scale 2 (alarm flashing)", 2e6),
    ("BM_qd5run_load_1000_steps", "loading and checking a 1000-step scenario", 5e4),
    ("BM_qd5run_hour_run_screen_flow/iterations:1",
     "the same hour with its flow and coverage recorded (`--flows`, `--report`)", None),
    ("BM_qd5run_load_flows_1000_scenarios", "loading a flows file of 1000 scenarios of 60 frames (2.4 MB)", 1e5),
    ("BM_qd5run_report_shipped_scenarios", "writing the report of the shipped scenarios (`--report`)", 1e6),
]


def runner_section(bench):
    out = ["", "## Scenario runner (qd5run)", "",
           "| Figure | Median (wall) | CPU time | Target | Met |", "|---|---|---|---|---|"]
    for name, what, target in RUNNER_BENCHMARKS:
        if name not in bench:
            continue
        wall, cpu = bench[name]
        if target is None:
            out.append(f"| {what} | {fmt(wall)} | {fmt(cpu)} | | |")
            continue
        out.append(f"| {what} | {fmt(wall)} | {fmt(cpu)} | < {fmt(target)} | {'yes' if cpu < target else 'NO'} |")
    hour = bench.get(RUNNER_BENCHMARKS[0][0])
    if hour:
        out.append("")
        out.append(f"Simulated time runs {3600e6 / hour[1]:.0f} times faster than real time by CPU time "
                   f"({3600e6 / hour[0]:.0f} times by wall time on this shared machine); the target is 1000.")
    recorded = bench.get(RUNNER_BENCHMARKS[3][0])
    if hour and recorded:
        extra = (recorded[1] / hour[1] - 1) * 100
        out.append("")
        if extra < 0:
            out.append(f"Recording the flow costs less than the noise of the hour ({extra:.1f} % by CPU time); "
                       "the target is at most 10 % (met).")
        else:
            out.append(f"Recording the flow adds {extra:.1f} % to the hour by CPU time; the target is at most "
                       f"10 % ({'met' if extra <= 10 else 'NOT met'}).")
    return out


COMPARE_HEADING = "## Old against new"

# Benchmark name -> (what it measures, the speed-up it must reach or None)
COMPARED = [
    ("BM_lcd_text_size8_20_chars", "`lcd_text`, 20-character text, size 8", 4.0),
    ("BM_lcd_text_size34_4_digits", "`lcd_text`, 4-digit number, size 34", 4.0),
]
for page in range(4):
    for channels in (4, 1):
        COMPARED.append((f"BM_run_screen_pass/page:{page}/channels:{channels}",
                         f"run screen pass, {PAGES[page]} page, {channels} channel{'s' if channels > 1 else ''}",
                         2.0 if channels == 4 else None))
COMPARED.append(("BM_qd5run_hour_run_screen/iterations:1",
                 "one simulated hour on the run screen (`BM_qd5run_hour_run_screen`)", 3.0))
QD5RUN_FIGURE = "`qd5run bench/hour_run_screen.yaml`, the same hour, whole process"


def median(values):
    values = sorted(values)
    n = len(values)
    return values[n // 2] if n % 2 else (values[n // 2 - 1] + values[n // 2]) / 2


def round_figures(path):
    """CPU and wall time in microseconds per benchmark of one qd5_bench run
    (the median where the benchmark repeats itself)."""
    data = json.load(open(path))
    result = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
        result[re.sub(r"/repeats:\d+$", "", b["run_name"])] = (b["cpu_time"] * scale, b["real_time"] * scale)
    return result


def compare_rounds(runs):
    """{side: {figure: ([cpu...], [wall...])}} over every round found in runs."""
    sides = {"base": {}, "new": {}}
    for side in sides:
        for path in sorted(glob.glob(os.path.join(runs, f"{side}-*.json"))):
            for name, (cpu, wall) in round_figures(path).items():
                cpus, walls = sides[side].setdefault(name, ([], []))
                cpus.append(cpu)
                walls.append(wall)
        for path in sorted(glob.glob(os.path.join(runs, f"{side}-*.qd5run"))):
            fields = open(path).read().split()
            if len(fields) < 3:
                continue
            elapsed, user, system = (float(f) for f in fields[-3:])
            cpus, walls = sides[side].setdefault("qd5run", ([], []))
            cpus.append((user + system) * 1e6)
            walls.append(elapsed * 1e6)
    return sides


def tree_commit():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    run = lambda *args: subprocess.run(["git", "-C", root, *args], capture_output=True, text=True).stdout.strip()
    commit = run("rev-parse", "--short", "HEAD") or "unknown"
    if run("status", "--porcelain", "--untracked-files=no"):
        commit += " with uncommitted changes"
    return commit


# The commit the quiet ticks and the jumped idle stretches start from: compared
# with it, in a section of its own, only the hour has a target.
QUIET_TICKS_BASE = "e619f2b"


def compare_heading(base_commit):
    return COMPARE_HEADING + ("" if base_commit[:7] != QUIET_TICKS_BASE else f", since {QUIET_TICKS_BASE}")


def compare_section(runs, base_commit, command):
    sides = compare_rounds(runs)
    rounds = len(glob.glob(os.path.join(runs, "new-*.json")))
    base = base_commit[:7]
    if base == QUIET_TICKS_BASE:
        return quiet_ticks_section(sides, rounds, base, command)
    out = ["", COMPARE_HEADING, "",
           f"Written by tools/bench_compare.sh: `{command}` (`make bench` runs it too). The release before the "
           f"faster drawing (commit {base}) is built from a temporary git worktree with the same flags "
           f"(-DQD5_BUILD_HOST=OFF), and its qd5_bench and qd5run run against those of this tree "
           f"(commit {tree_commit()}) in turn, {rounds} round{'s' if rounds != 1 else ''}, the order swapped every round, "
           f"on {machine()}. Each figure is the median of the rounds (a pass: of the rounds' medians of 5). "
           "CPU time; wall time in brackets.",
           "",
           f"| Figure | Before ({base}) | Now | Faster by | Target | Met |",
           "|---|---|---|---|---|---|"]
    figures = COMPARED + [("qd5run", QD5RUN_FIGURE, None)]
    for name, what, target in figures:
        if name not in sides["base"] or name not in sides["new"]:
            continue
        old_cpu, old_wall = (median(v) for v in sides["base"][name])
        new_cpu, new_wall = (median(v) for v in sides["new"][name])
        ratio = old_cpu / new_cpu if new_cpu > 0 else float("inf")
        met = "" if target is None else ("yes" if ratio >= target else "NO")
        out.append(f"| {what} | {fmt(old_cpu)} ({fmt(old_wall)}) | {fmt(new_cpu)} ({fmt(new_wall)}) | "
                   f"{ratio:.1f}x | {'' if target is None else f'{target:.0f}x'} | {met} |")
    out += ["",
            "The text is drawn from a glyph table indexed by character code, the rows on the screen worked "
            "out once per text and only glyphs that cross an edge clipped by column, their bitmap rows "
            "written eight pixels at a time into aligned groups of the frame buffer; filled rectangles as "
            "wide as the screen are one `memset` per row, narrower ones overlapping 8-, 4- or 1-byte stores; "
            "readings are formatted by hand rather than by `snprintf`, to the same texts. The pixels are the same (tests/test_fast_drawing.cpp "
            "compares them with the per-pixel drawing at every clipping case). The runner's hour also skips "
            "the passes that follow an idle pass with no key, input or tick since (tests/test_idle_pass.cpp "
            "proves every screen idempotent then)."]
    return out


def quiet_ticks_section(sides, rounds, base, command):
    out = ["", compare_heading(base), "",
           f"Written by tools/bench_compare.sh: `QD5_BENCH_BASE={base} {command}`. Commit {base}, before the "
           f"quiet ticks and the jumped idle stretches, is built from a temporary git worktree with the same "
           f"flags and run against this tree (commit {tree_commit()}) in turn, {rounds} "
           f"round{'s' if rounds != 1 else ''}, the order swapped every round, on {machine()}. Each figure is "
           "the median of the rounds. CPU time; wall time in brackets.",
           "",
           f"| Figure | Before ({base}) | Now | Faster by | Target | Met |",
           "|---|---|---|---|---|---|"]
    figures = [("BM_qd5run_hour_run_screen/iterations:1",
                "one simulated hour on the run screen (`BM_qd5run_hour_run_screen`)", 5.0),
               ("qd5run", QD5RUN_FIGURE, None)]
    for name, what, target in figures:
        if name not in sides["base"] or name not in sides["new"]:
            continue
        old_cpu, old_wall = (median(v) for v in sides["base"][name])
        new_cpu, new_wall = (median(v) for v in sides["new"][name])
        ratio = old_cpu / new_cpu if new_cpu > 0 else float("inf")
        met = "" if target is None else ("yes" if ratio >= target else "NO")
        out.append(f"| {what} | {fmt(old_cpu)} ({fmt(old_wall)}) | {fmt(new_cpu)} ({fmt(new_wall)}) | "
                   f"{ratio:.1f}x | {'' if target is None else f'{target:.0f}x'} | {met} |")
    out += ["",
            "Of the timer's work a screen reads only the blink phase, the sampling flag and the message timer, "
            "so a tick that moves only the timer's dividers (ten of every eleven) is no stimulus, and the "
            "passes after it are skipped like those after an idle pass (tests/test_idle_pass.cpp checks the "
            "pass after such a tick on every screen); the driver jumps each stretch of skipped passes from tick "
            "to tick instead of stepping pass by pass. Every golden, flow and reference picture is unchanged."]
    return out


def replace_section(heading, lines):
    """The current docs/PERFORMANCE.md with the section under heading replaced
    by lines, or inserted after the scenario runner's section."""
    path = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "docs", "PERFORMANCE.md")
    text = open(path).read() if os.path.exists(path) else "# Performance\n"
    parts = re.split(r"^(?=## )", text, flags=re.M)
    head, sections = parts[0].rstrip("\n"), [p.rstrip("\n") for p in parts[1:]]
    new = "\n".join(lines).strip("\n")
    for i, section in enumerate(sections):
        if section.startswith(heading + "\n"):
            sections[i] = new
            break
    else:
        at = next((i + 1 for i, s in enumerate(sections) if s.startswith(WRITTEN_HERE)), len(sections))
        sections.insert(at, new)
    return "\n\n".join([head] + sections)


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--compare":
        if len(sys.argv) != 5:
            sys.exit("usage: tools/perf_table.py --compare RUNS_DIR BASE_COMMIT COMMAND")
        if not glob.glob(os.path.join(sys.argv[2], "new-*.json")):
            sys.exit(f"perf_table: no runs of tools/bench_compare.sh in {sys.argv[2]}")
        print(replace_section(compare_heading(sys.argv[3]), compare_section(sys.argv[2], sys.argv[3], sys.argv[4])))
        return
    bench = medians(sys.argv[1])
    window = window_figures(sys.argv[2]) if len(sys.argv) > 2 else {}
    out = []
    out.append("# Performance")
    out.append("")
    out.append("Generated by tools/perf_table.py from `make bench`; do not edit by hand.")
    out.append("")
    out.append(f"Machine: {machine()}. Benchmarks: `{BENCH_CMD}`, medians of 5 repetitions, "
               "RelWithDebInfo (-O2). Window figures: `" + WINDOW_CMD + "` under Xvfb (Mesa llvmpipe).")
    out.append("")
    out.append("| Figure | Median (wall) | CPU time | Target | Met |")
    out.append("|---|---|---|---|---|")
    for name, what, target in BENCHMARKS:
        if name not in bench:
            continue
        wall, cpu = bench[name]
        met = "" if target is None else ("yes" if cpu < target else "NO")
        out.append(f"| {what} | {fmt(wall)} | {fmt(cpu)} | {'' if target is None else '< ' + fmt(target)} | {met} |")
    if "render_run" in window:
        p, t = window["render_run"]
        out.append(f"| render one frame, run screen: points / texture | {p:.0f} µs / {t:.0f} µs | | | |")
    if "render_lit" in window:
        p, t = window["render_lit"]
        out.append(f"| render one frame, every pixel lit: points / texture | {p:.0f} µs / {t:.0f} µs | | | |")
    for key, what in (("render_run_2", "run screen"), ("render_lit_2", "every pixel lit")):
        if key in window:
            p, t = window[key]
            out.append(f"| render one frame at desktop scale 2, {what}: points / texture | {p:.0f} µs / {t:.0f} µs | | | |")
    for key, what in (("cpu_texture", "texture"), ("cpu_points", "points")):
        if key in window and window[key][0] is not None:
            cpu = window[key][0]
            out.append(f"| CPU use of the running simulator, run screen, {what} renderer, 30 s | {cpu:.1f}% of one core | | < 10% | {'yes' if cpu < 10 else 'NO'} |")
    if "cpu_texture_scale2" in window and window["cpu_texture_scale2"][0] is not None:
        cpu = window["cpu_texture_scale2"][0]
        out.append(f"| CPU use of the running simulator at desktop scale 2, run screen, texture renderer, 30 s | {cpu:.1f}% of one core | | < 10% | {'yes' if cpu < 10 else 'NO'} |")
    if "cpu_clicked" in window:
        clicked, idle = window["cpu_clicked"]
        out.append(f"| CPU use of the simulator clicked at random like a fast user (window soak, 30 s) | {clicked:.1f}% of one core | | < 10% | {'yes' if clicked < 10 else 'NO'} |")
        out.append(f"| CPU use of the simulator idle on the run screen after the clicking (window soak) | {idle:.1f}% of one core | | < 10% | {'yes' if idle < 10 else 'NO'} |")
    for key, what in (("cpu_texture_always", "texture"), ("cpu_points_always", "points")):
        if key in window and window[key][0] is not None:
            out.append(f"| CPU use, {what} renderer, every pass repainted (for comparison) | {window[key][0]:.1f}% of one core | | | |")
    if "start" in window:
        median, worst = window["start"]
        out.append(f"| start-up to the first frame (median / worst of 5) | {median} ms / {worst} ms | | < 500 ms | {'yes' if worst < 500 else 'NO'} |")
    if "cpu_texture" in window and window["cpu_texture"][1] is not None:
        out.append(f"| resident memory of the running simulator (after 32 s on the run screen; mostly Qt and the Mesa software renderer) | {window['cpu_texture'][1] / 1024:.1f} MB | | | |")
    out.append("")
    out.append("Notes:")
    out.append("")
    out.append("- Wall times on this shared 2-core machine vary with other load; the CPU time column is the steadier figure and the one compared with the targets.")
    out.append("- The panel repaints only frames that differ from the one shown; passes still run about 60 times a second. Repainting every pass is shown for comparison.")
    out.append("- The texture renderer is the default because it is faster per frame than the point batch; `QD5_RENDER=points` selects the point batch.")
    if "BM_text_record_add" in bench and "BM_lcd_text_size8_20_chars_recorded" in bench:
        record, text = bench["BM_text_record_add"][1], bench["BM_lcd_text_size8_20_chars_recorded"][1]
        out.append(f"- Every `lcd_text` call appends to the record of drawn texts (display/text_record.h): "
                   f"{fmt(record)} a call, {100 * record / text:.1f}% of a 20-character size-8 text; "
                   "a full record (64 entries) only counts the overflow.")
    out.append("- On a desktop scaled by 2 the panel has four device pixels per display pixel: the texture covers four times the pixels, the point batch draws points of size 2 (at fractional scales one square per lit pixel).")
    out += runner_section(bench)
    out += kept_sections()
    print("\n".join(out))


if __name__ == "__main__":
    main()
