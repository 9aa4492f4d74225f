"""Headless Chromium against a folder served on localhost, for the web
edition's scripts (tools/measure_web.py, tools/screenshot_web.py)."""
import contextlib
import shutil
import socket
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# Without the background-networking flags Chromium keeps trying hosts that a
# closed network refuses; as root it needs --no-sandbox.
CHROME_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync"]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@contextlib.contextmanager
def served_page(site, extra_flags=()):
    """Yields (driver, service, base URL) with `site` served on a free port;
    stops the browser and the server and removes the profile afterwards."""
    port = free_port()
    server = subprocess.Popen(["/usr/bin/python3", "-m", "http.server", str(port), "--bind", "127.0.0.1",
                               "--directory", site], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    profile = tempfile.mkdtemp(prefix="qd5-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROME_FLAGS + list(extra_flags) + [f"--user-data-dir={profile}"]:
        options.add_argument(flag)
    service = Service("/usr/bin/chromedriver")
    time.sleep(0.5)  # lets the server bind before the first request
    driver = None
    try:
        driver = webdriver.Chrome(service=service, options=options)
        yield driver, service, f"http://127.0.0.1:{port}/"
    finally:
        if driver is not None:
            driver.quit()
        server.terminate()
        shutil.rmtree(profile, ignore_errors=True)
