#!/usr/bin/python3
"""Takes a picture of the web edition's page after power-on, in headless
Chromium, into docs/screenshot-web.png (or $2).
Usage: tools/screenshot_web.py [SITE_DIR] [OUTPUT.png]
"""
import os
import sys
import time

from web_browser import served_page

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
VIEWPORT = {"width": 900, "height": 640, "deviceScaleFactor": 1, "mobile": False}


def main():
    site = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-web", "site"))
    out = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs", "screenshot-web.png"))
    with served_page(site, ["--hide-scrollbars"]) as (driver, _, base):
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", VIEWPORT)
        # The page starts at a healthy engine's readings; ?on powers it up.
        driver.get(base + "?on")
        time.sleep(3)
        driver.save_screenshot(out)
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
