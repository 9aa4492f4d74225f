#!/usr/bin/python3
"""qd5run's report in a real browser: the shipped scenarios run with their
flows and a report, once whole and once in two shards merged into one, plus a
suite that fails a comparison and changes a flow. Headless Chromium opens
every page from disk: no console errors, every picture loads, every link
leads to a page and an anchor that exist.

Usage: test_report.py QD5RUN SOURCE_DIR OUTPUT_DIR [--screenshot PNG]
With --screenshot, the index of a failing run is also saved as a picture
(make docs puts it in docs/report.png).
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

QD5RUN = SOURCE = OUTPUT = SCREENSHOT = None
CHROME_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--allow-file-access-from-files"]
HANG_S = 60  # a bound on a hang of the browser, not on speed

# Two versions of one scenario: the second sets channel 1 higher, so the frames
# after the first sampling tick change; the third step fails a comparison.
CHANGING = """name: A reading that changes
steps:
  - set: {{ch1: {ch1}, ch2: 156, ch3: 2048, volts: 1440}}
  - power: on
  - wait: 1.2s
  - press: knob
  - press: left
  - wait: 0.5s
"""
COMPARING = """name: A picture that differs
steps:
  - power: on
  - wait: 1.2s
  - screenshot: {compare: ref.png}
"""


def open_chromium():
    """Headless Chromium with its own profile folder: (profile, driver)."""
    profile = tempfile.mkdtemp(prefix="qd5-report-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROME_FLAGS + [f"--user-data-dir={profile}", "--window-size=1100,900"]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    d.set_page_load_timeout(HANG_S)
    return profile, d


def check_page(test, d, folder, page):
    """A page opened from disk: no console error, every picture loads, every
    frame has its words, every link leads to a file and anchor that exist."""
    d.get("file://" + urllib.parse.quote(page))
    errors = [e["message"] for e in d.get_log("browser") if e["level"] == "SEVERE"]
    test.assertEqual(errors, [], "the console stays free of errors")
    broken = d.execute_script(
        "return [...document.images].filter(i => !i.complete || i.naturalWidth === 0).map(i => i.src)")
    test.assertEqual(broken, [], "every picture loads")
    frames = d.find_elements(By.CSS_SELECTOR, "img.frame, img.small")
    for img in frames[:5]:
        test.assertTrue(img.get_attribute("alt"), "a frame has its texts for screen readers")
    for href in d.execute_script("return [...document.links].map(a => a.getAttribute('href'))"):
        target, _, anchor = href.partition("#")
        path = os.path.join(folder, urllib.parse.unquote(target)) if target else page
        test.assertTrue(os.path.isfile(path), f"{href} on {page}")
        if anchor:
            with open(path, encoding="utf-8") as f:
                test.assertIn(f'id="{anchor}"', f.read(), f"{href} on {page}")


def qd5run(*args, cwd=None):
    return subprocess.run([QD5RUN, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=600, cwd=cwd)


def report(folder):
    with open(os.path.join(folder, "report.json"), encoding="utf-8") as f:
        return json.load(f)


class Report(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(OUTPUT, ignore_errors=True)
        os.makedirs(OUTPUT)
        scenarios = sorted(glob.glob(os.path.join(SOURCE, "scenarios", "*.yaml")))
        flows = os.path.join(SOURCE, "scenarios", "flows.json")
        cls.full, cls.merged = os.path.join(OUTPUT, "full"), os.path.join(OUTPUT, "merged")
        cls.runs = {"full": qd5run("--flows", flows, "--report", cls.full, "--out", os.path.join(OUTPUT, "out"),
                                   *scenarios)}
        shards = []
        for k in (1, 2):
            shards.append(os.path.join(OUTPUT, f"shard{k}"))
            cls.runs[f"shard {k}"] = qd5run("--shard", f"{k}/2", "--flows", flows, "--report", shards[-1], "--junit",
                                            os.path.join(OUTPUT, f"shard{k}.xml"), "--out",
                                            os.path.join(OUTPUT, "out"), *scenarios)
        cls.runs["merge"] = qd5run("--merge-reports", cls.merged, *shards)

        # The failing suite: a flow recorded, then the scenario changed; and a
        # reference that shows another screen.
        cls.failing = os.path.join(OUTPUT, "failing")
        suite = os.path.join(OUTPUT, "suite")
        os.makedirs(suite)
        with open(os.path.join(suite, "reading.yaml"), "w") as f:
            f.write(CHANGING.format(ch1=216))
        with open(os.path.join(suite, "compare.yaml"), "w") as f:
            f.write(COMPARING)
        shutil.copy(sorted(glob.glob(os.path.join(SOURCE, "scenarios", "refs", "*.png")))[0],
                    os.path.join(suite, "ref.png"))
        # Run from OUTPUT with relative paths, as a user would (the README's picture).
        cls.runs["record"] = qd5run("--update", "--flows", "suite/flows.json", "--out", "out2", "suite/reading.yaml",
                                    cwd=OUTPUT)
        with open(os.path.join(suite, "reading.yaml"), "w") as f:
            f.write(CHANGING.format(ch1=900))
        cls.runs["failing"] = qd5run("--flows", "suite/flows.json", "--report", "failing", "--out", "out2",
                                     "suite/reading.yaml", "suite/compare.yaml", cwd=OUTPUT)

        cls.profile, cls.d = open_chromium()

    @classmethod
    def tearDownClass(cls):
        cls.d.quit()
        shutil.rmtree(cls.profile, ignore_errors=True)

    def test_runs_exit_as_expected(self):
        for name, status in [("full", 0), ("shard 1", 0), ("shard 2", 0), ("merge", 0), ("record", 0), ("failing", 1)]:
            self.assertEqual(self.runs[name].returncode, status, f"{name}: {self.runs[name].stdout}")
        self.assertIn("the flow differs from", self.runs["failing"].stdout)
        with open(os.path.join(OUTPUT, "shard2.xml"), encoding="utf-8") as f:
            self.assertIn('name="qd5run shard 2/2"', f.read())

    def test_shards_merge_into_the_whole_report(self):
        full, merged = report(self.full), report(self.merged)
        by_file = lambda r: {s["file"]: s["flow"] for s in r["scenarios"]}
        self.assertEqual(by_file(merged), by_file(full))
        self.assertEqual(merged["coverage"], full["coverage"])
        self.assertEqual(set(merged["screens"]), set(full["screens"]))
        # The recordings and screenshots the scenarios saved are copied into the report, and merged along.
        outputs = lambda r: {s["file"]: s.get("outputs") for s in r["scenarios"] if s.get("outputs")}
        self.assertTrue(outputs(full), "the saved outputs are in the report")
        self.assertEqual(outputs(merged), outputs(full))
        reached = [name for name, count in full["coverage"]["screens"].items() if count > 0]
        self.assertGreaterEqual(len(reached), 8, full["coverage"]["screens"])

    def test_failures_show_their_pictures_and_the_changed_flow(self):
        r = {s["name"]: s for s in report(self.failing)["scenarios"]}
        self.assertEqual(set(r["A picture that differs"]["pictures"]), {"failure", "expected", "actual", "diff"})
        changed = r["A reading that changes"]
        self.assertIn("expected_flow", changed)
        self.assertTrue(os.listdir(os.path.join(self.failing, "diffs")), "a changed frame has its marked picture")
        with open(os.path.join(self.failing, "index.html"), encoding="utf-8") as f:
            self.assertIn("2 scenarios: 0 passed, 2 failed;", f.read())
        if SCREENSHOT:
            page = os.path.join(self.failing, changed["page"])
            self.d.get("file://" + urllib.parse.quote(page))
            self.d.save_screenshot(SCREENSHOT)

    def test_every_page_loads_with_its_pictures_and_links(self):
        for folder in (self.full, self.merged, self.failing):
            pages = sorted(glob.glob(os.path.join(folder, "*.html")))
            self.assertGreaterEqual(len(pages), 4, folder)
            for page in pages:
                with self.subTest(page=page):
                    self.check_page(folder, page)

    def check_page(self, folder, page):
        check_page(self, self.d, folder, page)


if __name__ == "__main__":
    args = sys.argv[1:]
    if "--screenshot" in args:
        at = args.index("--screenshot")
        SCREENSHOT = os.path.abspath(args[at + 1])
        del args[at:at + 2]
    QD5RUN, SOURCE, OUTPUT = (os.path.abspath(a) for a in args[:3])
    unittest.main(argv=sys.argv[:1], verbosity=2)
