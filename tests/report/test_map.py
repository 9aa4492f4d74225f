#!/usr/bin/python3
"""qd5run --explore and --emit on the default instrument: the map accounts for
every coverage point, the scenarios it writes pass and reach the same points,
and the map opens in headless Chromium.

Usage: test_map.py QD5RUN OUTPUT_DIR [--screenshot PNG]
With --screenshot, the top of the map is also saved as a picture (make docs
puts it in docs/map.png).
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import unittest
import urllib.parse

from test_report import check_page, open_chromium

QD5RUN = OUTPUT = SCREENSHOT = None


def qd5run(*args):
    return subprocess.run([QD5RUN, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=600)


class Map(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(OUTPUT, ignore_errors=True)
        os.makedirs(OUTPUT)
        cls.map, cls.gen = os.path.join(OUTPUT, "map"), os.path.join(OUTPUT, "gen")
        cls.explored = qd5run("--explore", cls.map, "--emit", cls.gen)
        with open(os.path.join(cls.map, "map.json"), encoding="utf-8") as f:
            cls.json = json.load(f)
        cls.report = os.path.join(OUTPUT, "report")
        cls.suite = qd5run("--report", cls.report, "--out", os.path.join(OUTPUT, "out"),
                           *sorted(glob.glob(os.path.join(cls.gen, "*.yaml"))))

    def test_every_point_is_reached_or_has_its_reason(self):
        self.assertEqual(self.explored.returncode, 0, self.explored.stdout)
        coverage = self.json["coverage"]
        self.assertEqual(len(coverage["reached"]) + len(coverage["unreached"]), 173)
        self.assertEqual(set(coverage["reasons"]), set(coverage["unreached"]))
        for reason in coverage["reasons"].values():
            self.assertTrue(reason)

    def test_the_generated_suite_passes_and_reaches_the_same_points(self):
        self.assertEqual(self.suite.returncode, 0, self.suite.stdout)
        with open(os.path.join(self.report, "report.json"), encoding="utf-8") as f:
            points = json.load(f)["coverage"]["points"]
        self.assertEqual({name for name, count in points.items() if count > 0}, set(self.json["coverage"]["reached"]))

    def test_the_map_opens_in_chromium(self):
        profile, d = open_chromium()
        try:
            page = os.path.join(self.map, "map.html")
            check_page(self, d, self.map, page)
            drawn = d.execute_script("return document.querySelectorAll('svg g.node[id^=state]').length")
            self.assertEqual(drawn, len(self.json["states"]), "every state is drawn")
            if SCREENSHOT:
                d.get("file://" + urllib.parse.quote(page))
                d.save_screenshot(SCREENSHOT)
        finally:
            d.quit()
            shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    args = sys.argv[1:]
    if "--screenshot" in args:
        at = args.index("--screenshot")
        SCREENSHOT = os.path.abspath(args[at + 1])
        del args[at:at + 2]
    QD5RUN, OUTPUT = (os.path.abspath(a) for a in args[:2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
