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
     and how far its timer was behind the clock once shown again.
The browser test checks the rules of the run loop against a clock set by hand;
these are the rates on the real clock of this machine.
Usage: tools/measure_web.py [SITE_DIR] [SECONDS]   (make web-perf)
"""
import os
import re
import statistics
import subprocess
import sys
import time

from web_browser import served_page

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOC = os.path.join(ROOT, "docs", "PERFORMANCE.md")
HEADING = "## In a browser"
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


def measure(site, seconds):
    figures = {}
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
            ".reduce((sum, e) => sum + e.transferSize, 0)")
        time.sleep(2)
        state = "return qd5test.state()"
        before = driver.execute_script(state)
        figures["cpu"] = cpu_share(service.process.pid, seconds)
        after = driver.execute_script(state)
        elapsed_ms = after["now"] - before["now"]
        figures["pace"] = (1000 * (after["passes"] - before["passes"]) / elapsed_ms,
                           after["ticks"] - before["ticks"] - elapsed_ms / 100)
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
    return figures


def section(figures, seconds):
    loads = figures["loads"]
    worst = max(loads)
    total, page = figures["cpu"]
    total_bg, page_bg = figures["cpu_background"]
    kb = figures["bytes"] / 1024
    rate, drift = figures["pace"]
    hidden_passes, behind, hidden_s = figures["background"]
    return "\n".join([
        HEADING,
        "",
        f"Written by tools/measure_web.py (`make web-perf`): the page of `make web` in headless Chromium "
        f"({chromium_version()}), served by `python3 -m http.server` on localhost, {seconds} s per CPU figure.",
        "",
        "| Figure | Value | Target | Met |",
        "|---|---|---|---|",
        f"| page load to the first frame (cache off; median / worst of 5) | {statistics.median(loads):.0f} ms / "
        f"{worst:.0f} ms | < 1 s | {'yes' if worst < 1000 else 'NO'} |",
        f"| bytes transferred for one load (page, style, script, module, picture) | {kb:.0f} KB | < 500 KB | "
        f"{'yes' if kb < 500 else 'NO'} |",
        f"| CPU use of all browser processes, run screen | {total:.1f}% of one core | < 10% | "
        f"{'yes' if total < 10 else 'NO'} |",
        f"| CPU use of the page's renderer process, run screen | {page:.1f}% of one core | | |",
        f"| CPU use of all browser processes, page in a background tab | {total_bg:.1f}% of one core | | |",
        f"| CPU use of the page's renderer process, background tab | {page_bg:.1f}% of one core | | |",
        f"| passes a second, run screen | {rate:.1f} | about 60 at most | {'yes' if rate < 61 else 'NO'} |",
        f"| timer ticks against the clock over {seconds} s (ticks less elapsed time / 100 ms) | {drift:+.1f} | "
        f"within ±3 | {'yes' if abs(drift) <= 3 else 'NO'} |",
        f"| passes run in a background tab ({hidden_s:.0f} s) | {hidden_passes} | 0 | "
        f"{'yes' if hidden_passes == 0 else 'NO'} |",
        f"| timer ticks behind the clock when shown again (less than one tick either way: caught up) | "
        f"{behind:+.1f} | within ±1 | {'yes' if abs(behind) < 1 else 'NO'} |",
        "",
        "Passes run from `requestAnimationFrame`, at most about 60 a second; the canvas is repainted only "
        "when a pass changed the frame; a hidden page runs no passes and stops its timer, which catches up "
        "when the page is shown again.",
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
    text = open(DOC).read() if os.path.exists(DOC) else "# Performance\n"
    kept = re.sub(rf"\n{re.escape(HEADING)}\n.*?(?=\n## |\Z)", "", text, flags=re.S).rstrip("\n")
    with open(DOC, "w") as f:
        f.write(kept + "\n\n" + section(figures, seconds))
    print(f"{DOC}: section '{HEADING}' rewritten")


if __name__ == "__main__":
    main()
