#!/usr/bin/python3
"""Takes a picture of the web edition's page after power-on, in headless
Chromium, into docs/screenshot-web.png (or $2).
Usage: tools/screenshot_web.py [SITE_DIR] [OUTPUT.png]
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHROME_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--hide-scrollbars"]
VIEWPORT = {"width": 900, "height": 640, "deviceScaleFactor": 1, "mobile": False}
# Some wiring first, as shares of each raw slider's range: CH 1..4, Volts.
WIRING = [5, 6, 55, 30, 30]


def main():
    site = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-web", "site"))
    out = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs", "screenshot-web.png"))
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    server = subprocess.Popen(["/usr/bin/python3", "-m", "http.server", str(port), "--bind", "127.0.0.1",
                               "--directory", site], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    profile = tempfile.mkdtemp(prefix="qd5-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROME_FLAGS + [f"--user-data-dir={profile}"]:
        options.add_argument(flag)
    time.sleep(0.5)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", VIEWPORT)
        driver.get(f"http://127.0.0.1:{port}/")
        time.sleep(1)
        driver.execute_script("""
            const sliders = document.querySelectorAll('.slider-row input');
            arguments[0].forEach((share, i) => {
              sliders[i].value = Math.round(4096 * share / 100);
              sliders[i].dispatchEvent(new Event('input'));
            });""", WIRING)
        driver.execute_script("document.getElementById('power-on').click(); window.scrollTo(0, 0)")
        time.sleep(2.5)
        driver.save_screenshot(out)
    finally:
        driver.quit()
        server.terminate()
        shutil.rmtree(profile, ignore_errors=True)
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
