#!/usr/bin/python3
"""qd5run's report in a real browser: the shipped scenarios run with their
flows and a report, once whole and once in two shards merged into one, plus a
suite that fails a comparison and changes a flow. Headless Chromium opens
every page from disk: no console errors, every picture loads, every link
leads to a page and an anchor that exist. The review of a run with two
changed pictures accepts one and rejects the other through its page, and
refuses what must be refused through real HTTP requests.

Usage: test_report.py QD5RUN SOURCE_DIR OUTPUT_DIR [--screenshot PNG]
With --screenshot, the index of a failing run is also saved as a picture
(make docs puts it in docs/report.png).
"""
import contextlib
import glob
import http.client
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

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

REVIEWED = """name: Compared with {ref}
steps:
  - power: on
  - wait: 1.2s
  - screenshot: {{compare: {ref}}}
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
        # The live page's fragment is a scenario for it to play, not an anchor.
        if anchor and not anchor.startswith("scenario="):
            with open(path, encoding="utf-8") as f:
                test.assertIn(f'id="{anchor}"', f.read(), f"{href} on {page}")


def qd5run(*args, cwd=None):
    return subprocess.run([QD5RUN, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=600, cwd=cwd)


@contextlib.contextmanager
def review(folder):
    """qd5run --review of folder, run from OUTPUT; yields it with its port and token, and always ends it."""
    server = subprocess.Popen([QD5RUN, "--review", folder], cwd=OUTPUT, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
    try:
        first = server.stdout.readline()
        found = re.fullmatch(r"review: http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{64})\n", first)
        if not found:
            raise AssertionError(f"the first line of --review: {first!r}")
        yield server, int(found.group(1)), found.group(2)
    finally:
        if server.poll() is None:
            server.kill()
            server.wait()


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

        # Two scenarios whose references show another screen, to review.
        os.makedirs(os.path.join(OUTPUT, "review"))
        for name in ("accepted", "rejected"):
            with open(os.path.join(OUTPUT, "review", f"{name}.yaml"), "w") as f:
                f.write(REVIEWED.format(ref=f"{name}.png"))
            shutil.copy(os.path.join(suite, "ref.png"), os.path.join(OUTPUT, "review", f"{name}.png"))
        cls.runs["reviewed"] = qd5run("--report", "reviewed", "--out", "out3", "review/accepted.yaml",
                                      "review/rejected.yaml", cwd=OUTPUT)

        cls.profile, cls.d = open_chromium()

    @classmethod
    def tearDownClass(cls):
        cls.d.quit()
        shutil.rmtree(cls.profile, ignore_errors=True)

    def test_runs_exit_as_expected(self):
        for name, status in [("full", 0), ("shard 1", 0), ("shard 2", 0), ("merge", 0), ("record", 0), ("failing", 1),
                             ("reviewed", 1)]:
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

    def test_review_accepts_one_change_and_rejects_another(self):
        with open(os.path.join(OUTPUT, "suite", "ref.png"), "rb") as f:
            before = f.read()
        with review("reviewed") as (server, port, token):
            self.d.get(f"http://127.0.0.1:{port}/?token={token}")
            broken = self.d.execute_script(
                "return [...document.images].filter(i => !i.complete || i.naturalWidth === 0).map(i => i.src)")
            self.assertEqual(broken, [], "every picture loads")
            changes = self.d.find_elements(By.CSS_SELECTOR, ".change[data-kind=screenshot]")
            self.assertEqual([c.get_attribute("data-scenario") for c in changes],
                             ["review/accepted.yaml", "review/rejected.yaml"])
            changes[0].find_element(By.CSS_SELECTOR, ".accept").click()
            # The keyboard: the next change, rejected.
            self.d.find_element(By.TAG_NAME, "body").send_keys("jr")
            wait = WebDriverWait(self.d, HANG_S)
            for change, state in zip(changes, ("accepted", "rejected")):
                wait.until(lambda _: change.get_attribute("data-state") == state)
            self.d.find_element(By.ID, "finish").click()
            out, _ = server.communicate(timeout=HANG_S)
        self.assertEqual(server.returncode, 0, out)
        self.assertIn("review: 1 accepted, 1 rejected, 0 left undecided", out)
        for name, changed in (("accepted", True), ("rejected", False)):
            with open(os.path.join(OUTPUT, "review", f"{name}.png"), "rb") as f:
                self.assertEqual(f.read() != before, changed, name)
        self.assertEqual(qd5run("--out", "out3", "review/accepted.yaml", cwd=OUTPUT).returncode, 0)

    def test_review_refuses_without_token_host_post_or_confinement(self):
        # A report whose reference would leave the scenario's folder.
        escaping = os.path.join(OUTPUT, "escaping")
        shutil.rmtree(escaping, ignore_errors=True)
        shutil.copytree(os.path.join(OUTPUT, "reviewed"), escaping)
        data = report(escaping)
        data["scenarios"][0]["reference"] = "../../escaped.png"
        with open(os.path.join(escaping, "report.json"), "w", encoding="utf-8") as f:
            json.dump(data, f)
        with review("escaping") as (server, port, token):
            own = f"127.0.0.1:{port}"

            def status(method, target, host=own, origin=f"http://{own}", body=None):
                connection = http.client.HTTPConnection("127.0.0.1", port, timeout=HANG_S)
                connection.request(method, target, body=body, headers={"Host": host, "Origin": origin})
                answer = connection.getresponse()
                try:
                    return answer.status, answer.read().decode("utf-8", "replace")
                finally:
                    connection.close()

            accept = json.dumps({"decision": "accept", "changes": [0]})
            self.assertEqual(status("GET", f"/?token={token}")[0], 200)
            self.assertEqual(status("GET", "/")[0], 403, "no token")
            self.assertEqual(status("GET", f"/?token={token[:-1]}0")[0], 403, "a wrong token")
            self.assertEqual(status("GET", f"/?token={token}", host=f"rebound.example:{port}")[0], 403)
            self.assertEqual(status("GET", f"/decide?token={token}")[0], 405, "a GET that writes")
            self.assertEqual(status("POST", f"/decide?token={token}", origin="http://elsewhere.example",
                                    body=accept)[0], 403)
            for outside in ("/../report.json", "/%2e%2e/escaping/report.json", "/screens/../../suite/ref.png"):
                code, body = status("GET", outside + f"?token={token}")
                self.assertIn(code, (400, 404), outside)
            code, body = status("POST", f"/decide?token={token}", body=accept)
            self.assertEqual(code, 200, body)
            self.assertEqual(json.loads(body)["changes"][0]["decision"], "undecided", body)
            self.assertIn("leaves the scenario's folder", body)
            self.assertIn("Cannot be accepted", status("GET", f"/?token={token}")[1])
            status("POST", f"/finish?token={token}", body="{}")
            server.communicate(timeout=HANG_S)
        self.assertFalse(os.path.exists(os.path.join(OUTPUT, "..", "escaped.png")))


if __name__ == "__main__":
    args = sys.argv[1:]
    if "--screenshot" in args:
        at = args.index("--screenshot")
        SCREENSHOT = os.path.abspath(args[at + 1])
        del args[at:at + 2]
    QD5RUN, SOURCE, OUTPUT = (os.path.abspath(a) for a in args[:3])
    unittest.main(argv=sys.argv[:1], verbosity=2)
