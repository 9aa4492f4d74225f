#!/usr/bin/python3
"""Measures the web edition in headless Chromium against the page served from
localhost, and rewrites the "## In a browser" section of docs/PERFORMANCE.md
(tools/perf_table.py keeps that section when `make bench` rewrites the rest):
  1. load to the first frame of the instrument (?on powers it up at once), with
     the cache off, five loads;
  2. bytes transferred for one load;
  3. CPU use of all the browser's processes over SECONDS (default 30) while the
     page shows the run screen, and of the page's renderer process alone; over
     the same time, the passes a second and how far the timer's ticks stray
     from the clock;
  4. the same with the page in a background tab, with the passes it ran there
     and how far its timer was behind the clock once shown again;
  5. the site's size, Lighthouse's scores (mobile and desktop) and axe-core's
     WCAG violations;
  6. one simulated hour (bench/hour_run_screen.yaml) played from a link at
     speed=max, beside qd5run's own time for it, and the CPU use while
     recording on the run screen.
With BASE_SITE, the page of another commit is measured in the same run and
shown beside (what it cannot do is left empty).
The browser test checks the rules of the run loop against a clock set by hand;
these are the rates on the real clock of this machine.
Usage: tools/measure_web.py [SITE_DIR] [SECONDS] [BASE_SITE BASE_NAME]   (make web-perf)
"""
import base64
import json
import zlib
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

from web_browser import CHROME_FLAGS, served_page

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOC = os.path.join(ROOT, "docs", "PERFORMANCE.md")
HEADING = "## In a browser"
AUDIT = os.path.join(ROOT, "build-web", "audit", "node_modules")
HOUR = os.path.join(ROOT, "bench", "hour_run_screen.yaml")
QD5RUN = os.path.join(ROOT, "build", "qd5run")
RUNS = 3
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
# Records the page's state as it is hidden and as it is shown again.
WATCH_VISIBILITY = """
window.qd5seen = [];
document.addEventListener('visibilitychange', () => qd5seen.push(qd5test.state()));"""


def descendants(pid):
    """Every process below pid (the driver starts the browser, which starts the rest)."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                stat = open(f"/proc/{entry}/stat").read()
            except OSError:
                continue
            parent = int(stat[stat.rindex(")") + 2:].split()[1])
            children.setdefault(parent, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def cpu_seconds(pids):
    total = 0
    for pid in pids:
        try:
            fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total / CLOCK_TICKS


def renderers(pids):
    found = []
    for pid in pids:
        try:
            if "--type=renderer" in open(f"/proc/{pid}/cmdline").read():
                found.append(pid)
        except OSError:
            pass
    return found


def cpu_share(driver_pid, seconds):
    pids = descendants(driver_pid)
    pages = renderers(pids)
    before, before_page = cpu_seconds(pids), cpu_seconds(pages)
    time.sleep(seconds)
    return (100 * (cpu_seconds(pids) - before) / seconds, 100 * (cpu_seconds(pages) - before_page) / seconds)


def site_bytes(site):
    return sum(os.path.getsize(os.path.join(site, name)) for name in os.listdir(site))


def lighthouse(url, preset):
    """Lighthouse's category scores (0..100) for the page, as a phone or a desktop."""
    out = os.path.join(tempfile.mkdtemp(prefix="qd5-lighthouse-"), "report.json")
    args = ["node", os.path.join(AUDIT, "lighthouse", "cli", "index.js"), url, "--output=json", f"--output-path={out}",
            "--quiet", "--chrome-path=/usr/bin/chromium", "--chrome-flags=" + " ".join(CHROME_FLAGS)]
    if preset == "desktop":
        args.append("--preset=desktop")
    subprocess.run(args, check=True, timeout=600)
    with open(out) as f:
        report = json.load(f)
    return {name: round(100 * c["score"]) for name, c in report["categories"].items()}


def axe_violations(driver):
    """axe-core's WCAG 2 A and AA violations on the page as loaded."""
    with open(os.path.join(AUDIT, "axe-core", "axe.min.js")) as f:
        driver.execute_script(f.read())
    return driver.execute_async_script("""
        const done = arguments[0];
        axe.run(document, { runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] })
          .then((r) => done(r.violations.map((v) => v.id)), (e) => done([String(e)]));""")


def link_to(text):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = packer.compress(text.encode()) + packer.flush()
    return "#scenario=" + base64.urlsafe_b64encode(packed).decode().rstrip("=") + "&speed=max"


def hour_in_page(driver, base):
    """Wall milliseconds from play to "passed" for the hour, from a link."""
    with open(HOUR) as f:
        url = base + link_to(f.read())
    times = []
    for _ in range(RUNS):
        driver.get("about:blank")
        driver.get(url)
        for _ in range(1200):
            state = driver.execute_script("return window.qd5scenario ? qd5scenario.state() : null")
            if state and state["state"] in ("passed", "failed"):
                break
            time.sleep(0.05)
        if state["state"] != "passed":
            raise SystemExit(f"the hour did not pass in the page: {state}")
        times.append(state["playedMs"])
    return statistics.median(times)


def hour_in_qd5run():
    """Wall milliseconds of the whole qd5run process over the same hour."""
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        subprocess.run([QD5RUN, HOUR], check=True, stdout=subprocess.DEVNULL, timeout=600)
        times.append(1000 * (time.perf_counter() - start))
    return statistics.median(times)


def measure(site, seconds, scenarios=True):
    figures = {"site": site_bytes(site)}
    with served_page(site, ["--window-size=1000,800"]) as (driver, service, base):
        driver.execute_cdp_cmd("Network.enable", {})
        driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        url = base + "?on"
        loads = []
        for _ in range(5):
            driver.get(url)
            for _ in range(100):
                first = driver.execute_script(
                    "const m = performance.getEntriesByName('qd5-first-frame'); return m.length ? m[0].startTime : null")
                if first is not None:
                    break
                time.sleep(0.05)
            loads.append(first)
        figures["loads"] = loads
        figures["bytes"] = driver.execute_script(
            "return performance.getEntriesByType('navigation').concat(performance.getEntriesByType('resource'))"
            ".reduce((sum, e) => sum + Math.max(e.transferSize, e.encodedBodySize), 0)")
        time.sleep(2)
        state = "return qd5test.state()"
        before = driver.execute_script(state)
        figures["cpu"] = cpu_share(service.process.pid, seconds)
        after = driver.execute_script(state)
        elapsed_ms = after["now"] - before["now"]
        figures["pace"] = (1000 * (after["passes"] - before["passes"]) / elapsed_ms,
                           after["ticks"] - before["ticks"] - elapsed_ms / 100)
        if scenarios:
            driver.find_element("id", "record").click()
            figures["cpu_recording"] = cpu_share(service.process.pid, seconds)
            driver.find_element("id", "record").click()
            driver.find_element("id", "scenario-play").click()  # the held frame back, live
        page = driver.current_window_handle
        driver.execute_script(WATCH_VISIBILITY)
        driver.switch_to.new_window("tab")
        driver.get("about:blank")
        time.sleep(2)
        figures["cpu_background"] = cpu_share(service.process.pid, seconds)
        driver.close()
        driver.switch_to.window(page)
        for _ in range(600):
            seen = driver.execute_script("return qd5seen")
            if len(seen) >= 2:
                break
            time.sleep(0.05)
        hidden, shown = seen[0], seen[-1]
        figures["background"] = (shown["passes"] - hidden["passes"],
                                 (shown["now"] - hidden["now"]) / 100 - (shown["ticks"] - hidden["ticks"]),
                                 (shown["now"] - hidden["now"]) / 1000)
        driver.get(base)
        time.sleep(1)
        figures["axe"] = axe_violations(driver)
        if scenarios:
            figures["hour_page"] = hour_in_page(driver, base)
            figures["hour_qd5run"] = hour_in_qd5run()
        figures["lighthouse"] = {preset: lighthouse(base, preset) for preset in ("mobile", "desktop")}
    return figures


def cells(figures, key, shown):
    value = figures.get(key) if figures else None
    return "" if value is None else shown(value)


def section(now, before, base_name, seconds):
    """The section's table: this page, the base's beside it, the target and whether it is met."""
    rows = []

    def row(figure, key, shown, target="", met=None):
        rows.append(f"| {figure} | {cells(before, key, shown)} | {cells(now, key, shown)} | {target} | "
                    f"{'' if met is None else ('yes' if met(now[key]) else 'NO')} |")

    row("page load to the first frame (cache off; median / worst of 5)", "loads",
        lambda v: f"{statistics.median(v):.0f} ms / {max(v):.0f} ms", "< 1 s", lambda v: max(v) < 1000)
    row("bytes transferred for one load (page, style, scripts, module, picture)", "bytes",
        lambda v: f"{v / 1024:.0f} KB", "< 500 KB", lambda v: v / 1024 < 500)
    row("the site: every file of the page", "site", lambda v: f"{v / 1024:.0f} KB", "< 600 KB",
        lambda v: v / 1024 < 600)
    for preset in ("mobile", "desktop"):
        goal = 95 if preset == "mobile" else 100
        rows.append(f"| Lighthouse, {preset}: {', '.join(now['lighthouse'][preset])} | "
                    f"{cells(before, 'lighthouse', lambda v: ', '.join(map(str, v[preset].values())))} | "
                    f"{', '.join(map(str, now['lighthouse'][preset].values()))} | {'each' if goal == 100 else 'each at least'} "
                    f"{goal} | {'yes' if min(now['lighthouse'][preset].values()) >= goal else 'NO'} |")
    row("axe-core: WCAG 2.1 A and AA violations", "axe", lambda v: str(len(v)) + (f" ({', '.join(v)})" if v else ""),
        "0", lambda v: not v)
    row("one simulated hour from a link at speed=max: page, wall from play to passed (median of 3)", "hour_page",
        lambda v: f"{v:.0f} ms")
    row("the same hour: `qd5run bench/hour_run_screen.yaml`, whole process (median of 3)", "hour_qd5run",
        lambda v: f"{v:.0f} ms")
    if "hour_page" in now:
        ratio = now["hour_page"] / now["hour_qd5run"]
        rows.append(f"| the page's hour against qd5run's | | {ratio:.1f}x | at most 3x | {'yes' if ratio <= 3 else 'NO'} |")
    row("CPU use of all browser processes, run screen", "cpu", lambda v: f"{v[0]:.1f}% of one core", "< 10%",
        lambda v: v[0] < 10)
    row("CPU use of all browser processes, run screen while recording", "cpu_recording",
        lambda v: f"{v[0]:.1f}% of one core", "as without recording")
    row("CPU use of the page's renderer process, run screen", "cpu", lambda v: f"{v[1]:.1f}% of one core")
    row("CPU use of the page's renderer process, run screen while recording", "cpu_recording",
        lambda v: f"{v[1]:.1f}% of one core")
    row("CPU use of all browser processes, page in a background tab", "cpu_background",
        lambda v: f"{v[0]:.1f}% of one core")
    row("CPU use of the page's renderer process, background tab", "cpu_background", lambda v: f"{v[1]:.1f}% of one core")
    row("passes a second, run screen", "pace", lambda v: f"{v[0]:.1f}", "about 60 at most", lambda v: v[0] < 61)
    row(f"timer ticks against the clock over {seconds} s (ticks less elapsed time / 100 ms)", "pace",
        lambda v: f"{v[1]:+.1f}", "within ±3", lambda v: abs(v[1]) <= 3)
    row("passes run in a background tab", "background", lambda v: f"{v[0]} in {v[2]:.0f} s", "0", lambda v: v[0] == 0)
    row("timer ticks behind the clock when shown again (less than one tick either way: caught up)", "background",
        lambda v: f"{v[1]:+.1f}", "within ±1", lambda v: abs(v[1]) < 1)
    return "\n".join([
        HEADING,
        "",
        f"Written by tools/measure_web.py (`make web-perf`): the page of `make web` in headless Chromium "
        f"({chromium_version()}), served by `python3 -m http.server` on localhost (which does not compress), "
        f"{seconds} s per CPU figure, beside the page of {base_name or 'no other commit'} measured in the same run.",
        "",
        f"| Figure | {base_name or 'before'} | now | Target | Met |",
        "|---|---|---|---|---|",
        *rows,
        "",
        "Passes run from `requestAnimationFrame`, at most about 60 a second; the canvas is repainted only "
        "when a pass changed the frame; a hidden page runs no passes and stops its timer, which catches up "
        "when the page is shown again. A recording moves the toolkit's driver by the passes the clock owes "
        "it at each animation frame instead. The module is packed deflated into a script (qd5-wasm.js) and "
        "loaded after the front's first paint.",
        "",
    ])


def chromium_version():
    out = subprocess.run(["/usr/bin/chromium", "--version"], capture_output=True, text=True).stdout
    m = re.search(r"Chromium ([\d.]+)", out)
    return f"Chromium {m.group(1)}" if m else "Chromium"


def main():
    site = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-web", "site"))
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    figures = measure(site, seconds)
    print(figures)
    before, base_name = None, None
    if len(sys.argv) > 4:
        before, base_name = measure(os.path.abspath(sys.argv[3]), seconds, scenarios=False), sys.argv[4]
        print(before)
    text = open(DOC).read() if os.path.exists(DOC) else "# Performance\n"
    kept = re.sub(rf"\n{re.escape(HEADING)}\n.*?(?=\n## |\Z)", "", text, flags=re.S).rstrip("\n")
    with open(DOC, "w") as f:
        f.write(kept + "\n\n" + section(figures, before, base_name, seconds))
    print(f"{DOC}: section '{HEADING}' rewritten")


if __name__ == "__main__":
    main()
