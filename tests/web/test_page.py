#!/usr/bin/python3
"""The web edition end to end: headless Chromium through Selenium against the
page served from localhost. The actions made through the page's own controls
are written down as a scenario, with every frame the page showed as a
reference picture and its lamp as an expectation; qd5run then plays the
scenario natively and must see the same frames, pixel for pixel.

Usage: test_page.py SITE_DIR QD5RUN [OUTPUT_DIR]
With OUTPUT_DIR, the scenario, the page's frames and qd5run's output stay there.
"""
import base64
import html
import json
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions import interaction
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.actions.pointer_input import PointerInput
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

SITE = QD5RUN = OUTPUT = None
CHROME_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync"]
WIDTH, HEIGHT = 160, 128
PASSES_PER_TICK = 6  # qd5run's time model: the 100 ms timer ticks on every sixth pass
SAMPLE_PASSES = 11 * PASSES_PER_TICK + 2  # a sampling tick and the two passes after it
HANG_S = 60  # the longest wait for the page or the browser: a bound on a hang, not on speed
# Put before the page's own script: performance.now, the page's intervals and
# the time its animation frames see all read a clock the test sets, so the run
# loop's rules are checked without timing this machine.
MANUAL_CLOCK = """
(() => {
  let now = 0;
  let nextId = 1;
  const intervals = new Map();
  performance.now = () => now;
  window.setInterval = (handler) => { intervals.set(nextId, handler); return nextId++; };
  window.clearInterval = (id) => { intervals.delete(id); };
  const frame = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => frame(() => callback(now));
  window.qd5clock = {
    // Moves the clock to ms; each running interval fires once, as in a tab
    // the browser throttled.
    set(ms) { now = ms; for (const handler of [...intervals.values()]) handler(); },
    now: () => now,
    intervals: () => intervals.size,
  };
})();
"""
RAW_NAMES = ["ch1", "ch2", "ch3", "ch4", "volts"]  # the raw sliders, as qd5run and the address name them


def write_png(path, hex_pixels):
    rows = b"".join(b"\0" + bytes.fromhex(hex_pixels[6 * WIDTH * y:6 * WIDTH * (y + 1)]) for y in range(HEIGHT))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


# Nine levels of ten aliases each: a billion values once expanded.
ALIAS_BOMB = "a0: &a0 [" + ", ".join(["x"] * 10) + "]\n" + "".join(
    f"a{i}: &a{i} [" + ", ".join([f"*a{i - 1}"] * 10) + "]\n" for i in range(1, 10))


def link_fragment(text):
    """The page's link to a scenario, as page_link.cpp and the page write it."""
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = packer.compress(text.encode()) + packer.flush()
    return "scenario=" + base64.urlsafe_b64encode(packed).decode().rstrip("=")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Scenario:
    """Browser actions on a page in ?manual mode, written down as the steps of
    a qd5run scenario. The page's clocks follow qd5run's time model: a pass at
    a time, the timer ticking on every sixth. capture() takes the page's canvas
    as a reference picture and its lamp as an expectation; check() runs qd5run."""

    def __init__(self, test, driver, url, search="?manual"):
        self.test, self.d = test, driver
        self.steps, self.shots = [], []
        self.now = 0  # passes of simulated time, as qd5run counts them
        self.d.get(url + search)
        for _ in range(int(HANG_S / 0.05)):
            if self.js("return Boolean(window.qd5test && qd5test.state().ready)"):
                break
            time.sleep(0.05)
        test.assertTrue(self.js("return Boolean(window.qd5test && qd5test.state().ready)"), "the module never became ready")
        # The page starts its raw sliders at healthy readings: qd5run starts there too.
        self.steps.append("set: {" + ", ".join(f"{name}: {self.slider_value(row)}"
                                               for row, name in enumerate(RAW_NAMES)) + "}")

    def js(self, script, *args):
        return self.d.execute_script(script, *args)

    def el(self, css):
        return self.d.find_element(By.CSS_SELECTOR, css)

    def click(self, css, *steps):
        self.el(css).click()
        self.steps += steps

    def keys(self, key, *steps):
        ActionChains(self.d).send_keys(key).perform()
        self.steps += steps

    def advance(self, passes):
        """Simulated time on the page's manual clocks, as qd5run runs it."""
        self.now = self.js("""
            let now = arguments[0];
            for (let i = 0; i < arguments[1]; ++i) {
              if (++now % arguments[2] === 0) qd5test.ticks(1);
              qd5test.passes(1);
            }
            return now;""", self.now, passes, PASSES_PER_TICK)

    def wait(self, passes):
        self.advance(passes)
        self.steps.append(f"wait: {passes} passes")

    def press(self, action, key):
        """A click on a key, then what qd5run's press does after it: the pass
        that takes the key and the one that shows where it led."""
        action()
        self.steps.append(f"press: {key}")
        if self.js("return qd5test.state().running"):
            self.advance(2)

    def slider(self, row):
        return self.d.find_elements(By.CSS_SELECTOR, ".slider-row input[type=range]")[row]

    def entry(self, row):
        return self.d.find_elements(By.CSS_SELECTOR, ".slider-row .value")[row]

    def slider_value(self, row):
        value = int(self.slider(row).get_attribute("value"))
        shown = self.entry(row).get_attribute("value")
        self.test.assertEqual(shown, str(value), "the number beside a slider must show its value")
        return value

    def capture(self, name, pixels=None):
        state = self.js("return qd5test.state()")
        shot = f"frame{len(self.shots):02d}.png"
        self.shots.append((shot, name, pixels or self.js("return qd5test.canvasHex()")))
        self.steps.append(f"screenshot: {{compare: {shot}}}  # {name}")
        self.steps.append(f"expect: {{lamp: {'bright' if state['lampBright'] else 'dark'}}}")

    def capture_copy(self, name):
        """Copy display, then the PNG read back from the clipboard."""
        self.el("#copy-display").click()
        pixels = self.d.execute_async_script("""
            const done = arguments[arguments.length - 1];
            (async () => {
              for (let i = 0; i < 3000 && !document.getElementById('status').textContent; ++i)
                await new Promise((r) => setTimeout(r, 20));
              const items = await navigator.clipboard.read();
              const image = await createImageBitmap(await items[0].getType('image/png'));
              const canvas = document.createElement('canvas');
              canvas.width = image.width;
              canvas.height = image.height;
              const context = canvas.getContext('2d', { willReadFrequently: true });
              context.drawImage(image, 0, 0);
              const data = context.getImageData(0, 0, image.width, image.height).data;
              let hex = '';
              for (let i = 0; i < data.length; i += 4)
                hex += ((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]).toString(16).padStart(6, '0');
              return [image.width, image.height, hex];
            })().then(done, (e) => done(String(e)));""")
        self.test.assertIsInstance(pixels, list, pixels)
        self.test.assertEqual(self.el("#status").text, "Display copied to the clipboard")
        self.test.assertEqual(pixels[:2], [WIDTH, HEIGHT], "the copy is the display at its own size")
        self.capture(name, pixels[2])

    def check(self):
        """Plays the steps with qd5run, which compares every frame with the page's."""
        folder = tempfile.mkdtemp(prefix="qd5-page-")
        try:
            for shot, _, pixels in self.shots:
                self.test.assertEqual(len(pixels), 6 * WIDTH * HEIGHT)
                write_png(os.path.join(folder, shot), pixels)
            scenario = os.path.join(folder, "page.yaml")
            with open(scenario, "w") as f:
                f.write(f"name: {self.test.id()}\nsteps:\n" + "".join(f"  - {step}\n" for step in self.steps))
            run = subprocess.run([QD5RUN, "--out", os.path.join(folder, "out"), scenario], capture_output=True,
                                 text=True, timeout=120)
            self.test.assertEqual(run.returncode, 0, f"qd5run sees other frames than the page:\n{run.stdout}{run.stderr}")
        finally:
            if OUTPUT:
                target = os.path.join(OUTPUT, self.test.id().rsplit(".", 1)[-1])
                shutil.rmtree(target, ignore_errors=True)
                shutil.copytree(folder, target)
            shutil.rmtree(folder, ignore_errors=True)

    def tap(self, css):
        finger = PointerInput(interaction.POINTER_TOUCH, "finger")
        actions = ActionBuilder(self.d, mouse=finger)
        actions.pointer_action.move_to(self.el(css)).pointer_down().pointer_up()
        actions.perform()


class WebPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        port = free_port()
        cls.server = subprocess.Popen(
            ["/usr/bin/python3", "-m", "http.server", str(port), "--bind", "127.0.0.1", "--directory", SITE],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.url = f"http://127.0.0.1:{port}/"
        for _ in range(int(HANG_S / 0.05)):
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.05)
        cls.profile = tempfile.mkdtemp(prefix="qd5-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in CHROME_FLAGS + [f"--user-data-dir={cls.profile}", "--window-size=1000,800"]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.d.set_script_timeout(2 * HANG_S)

    @classmethod
    def tearDownClass(cls):
        cls.d.quit()
        cls.server.terminate()
        cls.server.wait()
        shutil.rmtree(cls.profile, ignore_errors=True)

    def tearDown(self):
        errors = [e["message"] for e in self.d.get_log("browser") if e["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(errors, [], "the browser console must stay free of errors")

    def test_screens_keys_and_inputs_match_qd5run(self):
        s = Scenario(self, self.d, self.url)
        s.click("#zero-inputs", "set: {ch1: 0, ch2: 0, ch3: 0, ch4: 0, volts: 0}")
        self.assertEqual([s.slider_value(row) for row in range(5)], [0] * 5)
        s.capture("before power-on: black, lamp bright")
        s.click("#power-on", "power: on")
        s.wait(SAMPLE_PASSES)
        s.capture("run screen, channels 1 and 2 in alarm, lamp bright")
        self.assertTrue(s.js("return qd5test.state().lampBright"))
        s.press(lambda: s.click("#key-right"), "right")
        s.capture("alarms acknowledged by F2, lamp dark")
        self.assertFalse(s.js("return qd5test.state().lampBright"))
        # A focused slider keeps its arrow keys; the instrument gets no key.
        s.js("arguments[0].focus()", s.slider(1))
        s.keys(Keys.ARROW_UP * 3)
        self.assertEqual(s.slider_value(1), 3)
        s.steps.append("set: {ch2: 3}")
        s.js("document.activeElement.blur()")
        s.wait(SAMPLE_PASSES)
        s.capture("run screen, CH 2 at 3")
        s.press(lambda: s.keys("+"), "up")
        s.capture("page step by the + key")
        s.press(lambda: s.keys("="), "up")
        s.capture("page step by the = key, the unshifted +")
        s.press(lambda: ActionChains(self.d).scroll_from_origin(ScrollOrigin.from_element(s.el("#key-push")), 0, 100)
                .perform(), "down")
        s.capture("page back by the wheel over the knob")
        s.press(lambda: s.click("#key-push"), "knob")
        s.capture("main menu from a click on the knob")
        s.press(lambda: s.keys(Keys.ENTER), "knob")
        s.capture("channel 1 setup from Enter")
        s.press(lambda: s.keys(Keys.F1), "left")
        s.press(lambda: s.keys(Keys.ARROW_DOWN), "down")
        s.press(lambda: s.click("#knob-down"), "down")
        s.capture("main menu, MISC SETUP")
        s.press(lambda: s.keys(Keys.SPACE), "knob")
        s.press(lambda: s.click("#knob-up"), "up")
        s.press(lambda: s.keys(Keys.ARROW_UP), "up")
        s.press(lambda: s.click("#key-push"), "knob")
        s.capture("information, ZOLT not connected")
        s.click("#zolt", "zolt: on")
        s.wait(2)
        s.capture("information, ZOLT connected")
        for _ in range(3):
            s.press(lambda: s.click("#key-left"), "left")
        s.capture("back on the run screen by F1 clicks")
        # Tab to On, as the README says, then Enter: it still pushes the knob,
        # the main menu opens and the instrument is not powered on again.
        s.js("document.activeElement.blur()")
        s.keys(Keys.TAB * 3)
        self.assertEqual(s.js("return document.activeElement.id"), "power-on", "Tab goes +, -, then On")
        s.press(lambda: s.keys(Keys.ENTER), "knob")
        s.capture("Enter with On focused: main menu")
        s.press(lambda: s.keys(Keys.F1), "left")
        # Esc from a focused slider gives Up back to the instrument.
        s.js("arguments[0].focus()", s.slider(1))
        s.keys(Keys.ESCAPE)
        s.press(lambda: s.keys(Keys.ARROW_UP), "up")
        self.assertEqual(s.slider_value(1), 3, "after Esc, Up is the instrument's")
        s.capture("Up after Esc: the next page")
        # Channel 1 dragged high: its value on the screen changes.
        ActionChains(self.d).move_to_element_with_offset(s.slider(0), s.slider(0).size["width"] // 2 - 4, 0) \
            .click().perform()
        raw = s.slider_value(0)
        self.assertGreater(raw, 3500)
        s.steps.append(f"set: {{ch1: {raw}}}")
        s.wait(SAMPLE_PASSES)
        s.capture("CH 1 slider moved by the mouse")
        # A mode slider moved: channel 4 off.
        s.js("arguments[0].focus()", s.slider(8))
        s.keys(Keys.HOME)
        self.assertEqual(s.slider_value(8), 0)
        s.steps.append("mode: {ch4: off}")
        s.wait(SAMPLE_PASSES)
        s.capture("channel 4 off")
        s.click("#power-off", "power: off")
        s.wait(3)
        s.capture("off keeps the last frame")
        self.assertFalse(s.js("return qd5test.state().running"))
        origin = self.url.rstrip("/")
        self.d.execute_cdp_cmd("Browser.grantPermissions",
                               {"origin": origin, "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        s.capture_copy("copy display, read back from the clipboard")
        s.check()

    def test_mode_sliders_show_the_modes_after_on(self):
        s = Scenario(self, self.d, self.url)
        s.js("arguments[0].focus()", s.slider(5))
        s.keys(Keys.END)
        self.assertEqual(s.slider_value(5), 4)
        s.el("#power-on").click()
        self.assertEqual([s.slider_value(row) for row in range(5, 9)], [1, 2, 3, 4])

    def test_phone_touch_and_narrow_screen(self):
        self.d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": 360, "height": 740, "deviceScaleFactor": 3, "mobile": True})
        self.d.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
        try:
            s = Scenario(self, self.d, self.url)
            overflow = s.js("return document.documentElement.scrollWidth - window.innerWidth")
            self.assertLessEqual(overflow, 0, "the page must fit a narrow screen")
            s.tap("#power-on")
            s.steps.append("power: on")
            s.wait(SAMPLE_PASSES)
            s.press(lambda: s.tap("#key-left"), "left")
            s.capture("alarms acknowledged by a touch on F1")
            s.press(lambda: s.tap("#key-push"), "knob")
            s.press(lambda: s.tap("#knob-up"), "up")
            s.capture("main menu, CH 2 SETUP, by touch at three device pixels a CSS pixel")
            scale = s.js("return qd5test.state().scale")
            self.assertGreaterEqual(scale, 3, "the canvas follows devicePixelRatio")
            s.check()
        finally:
            self.d.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
            self.d.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": False})

    def test_controls_have_names_and_the_display_a_text(self):
        s = Scenario(self, self.d, self.url)
        names = {"#ch1": "CH 1 raw input", "#volts": "Volts raw input", "#mode2": "Channel 2 mode",
                 ".slider-row:nth-child(1) .value": "CH 1 exact value", "#knob-up": "Knob +",
                 "#knob-down": "Knob -", "#key-push": "Push the knob", "#power-on": "Power On",
                 "#zolt": "ZOLT On/Off", "#display": "Instrument display", "#lamp": "Alarm lamp: bright"}
        for css, name in names.items():
            self.assertEqual(s.el(css).accessible_name, name, css)
        for control in self.d.find_elements(By.CSS_SELECTOR, "button, input, summary"):
            self.assertNotEqual(control.accessible_name.strip(), "", control.get_attribute("outerHTML"))
        self.assertEqual(self.d.find_elements(By.CSS_SELECTOR, "output, [aria-live]"), [],
                         "no live region announces every slider move")
        # Clicking a slider's caption focuses the slider.
        self.d.find_element(By.CSS_SELECTOR, "label[for=ch3]").click()
        self.assertEqual(s.js("return document.activeElement.id"), "ch3")
        s.el("#power-on").click()
        s.wait(SAMPLE_PASSES)
        self.assertEqual(s.el("#mode2").get_attribute("aria-valuetext"), "2, temperature")
        self.assertEqual(s.el("#lamp").accessible_name, "Alarm lamp: dark")
        self.assertEqual(s.el("#power-state").text, "Power: On")
        # The display's text alternative: the texts of the run screen, line by line.
        text = s.js("return document.getElementById('display-text').textContent")
        self.assertEqual(text.splitlines()[0].split()[0], "OILP", text)
        self.assertIn("11.9", text)
        s.el("#power-off").click()
        s.wait(1)
        self.assertEqual(s.el("#power-state").text, "Power: Off")

    def test_display_pixels_are_whole_device_pixels(self):
        # The largest whole number of device pixels per display pixel that
        # fits the front at most at twice its size (482 CSS pixels wide).
        expected = {1: 2, 1.25: 2, 2: 4, 3: 6}
        try:
            for ratio, scale in expected.items():
                self.d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                       {"width": 1000, "height": 800, "deviceScaleFactor": ratio, "mobile": False})
                s = Scenario(self, self.d, self.url)
                s.el("#power-on").click()
                s.wait(SAMPLE_PASSES)
                self.assertEqual(s.js("return qd5test.state().scale"), scale, f"ratio {ratio}")
                shot = self.d.execute_cdp_cmd("Page.captureScreenshot", {"format": "png"})["data"]
                # Every display pixel is a block of scale by scale device pixels
                # of its own colour on the screen, aligned on device pixels.
                faults = self.d.execute_async_script("""
                    const [shot, expected, scale, done] = arguments;
                    (async () => {
                      const image = await createImageBitmap(await (await fetch('data:image/png;base64,' + shot)).blob());
                      const copy = document.createElement('canvas');
                      copy.width = image.width;
                      copy.height = image.height;
                      const context = copy.getContext('2d', { willReadFrequently: true });
                      context.drawImage(image, 0, 0);
                      const box = document.getElementById('display').getBoundingClientRect();
                      const left = Math.round(box.left * devicePixelRatio), top = Math.round(box.top * devicePixelRatio);
                      if (Math.abs(box.width * devicePixelRatio - 160 * scale) > 0.05) return ['width', box.width];
                      const data = context.getImageData(left, top, 160 * scale, 128 * scale).data;
                      const faults = [];
                      for (let y = 0; y < 128 * scale; ++y)
                        for (let x = 0; x < 160 * scale; ++x) {
                          const at = 4 * (y * 160 * scale + x);
                          const rgb = ((data[at] << 16) | (data[at + 1] << 8) | data[at + 2]).toString(16).padStart(6, '0');
                          const pixel = Math.floor(y / scale) * 160 + Math.floor(x / scale);
                          if (rgb !== expected.substr(6 * pixel, 6) && faults.length < 5) faults.push([x, y, rgb]);
                        }
                      return faults;
                    })().then(done, (e) => done(String(e)));""", shot, s.js("return qd5test.canvasHex()"), scale)
                self.assertEqual(faults, [], f"ratio {ratio}: device pixels of another colour than their display pixel")
        finally:
            self.d.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    def test_address_reopens_the_inputs(self):
        s = Scenario(self, self.d, self.url)
        self.assertIn("Held for tests", s.el("#page-note").text, "?manual says that the page is held")
        s.el("#power-on").click()
        s.js("arguments[0].focus()", s.slider(2))
        s.keys(Keys.END)
        s.js("arguments[0].focus()", s.slider(5))
        s.keys(Keys.HOME)
        s.el("#zolt").click()
        wanted = "?ch1=205&ch2=246&ch3=4096&ch4=1229&volts=1229&mode1=0&mode2=2&mode3=3&mode4=4&zolt=1&on&manual"
        for _ in range(50):
            if s.js("return location.search") == wanted:
                break
            time.sleep(0.05)
        self.assertEqual(s.js("return location.search"), wanted, "the address follows the inputs")
        link = s.js("return location.href")
        s = Scenario(self, self.d, link, "")
        self.assertEqual(s.el("#page-note").text, "Held for tests (?manual): the timer and the passes stand still "
                         "until a test drives them.", "the link holds every option, and each one is valid")
        self.assertTrue(s.js("return qd5test.state().running"), "a link made while on opens powered on")
        self.assertEqual([s.slider_value(row) for row in range(9)], [205, 246, 4096, 1229, 1229, 0, 2, 3, 4])
        self.assertTrue(s.el("#zolt").is_selected())
        # Options are parsed strictly: a bad one is named and ignored.
        self.d.get(self.url + "?ch1=5000&ch2=07x&colour=red&on=2")
        for _ in range(100):
            if s.js("return Boolean(window.qd5test && qd5test.state().ready)"):
                break
            time.sleep(0.05)
        note = s.el("#page-note").text
        for bad in ("ch1=5000", "ch2=07x", "colour=red", "on=2"):
            self.assertIn(bad, note)
        self.assertEqual(s.slider_value(0), 205)
        self.assertFalse(s.js("return qd5test.state().running"))

    def test_exact_value_entry(self):
        s = Scenario(self, self.d, self.url)
        s.click("#power-on", "power: on")
        s.wait(SAMPLE_PASSES)
        # A double-click on the number, a value and Enter: the slider moves
        # there and the Enter does not reach the instrument.
        ActionChains(self.d).double_click(s.entry(0)).send_keys("3000" + Keys.ENTER).perform()
        self.assertEqual(s.slider_value(0), 3000)
        s.steps.append("set: {ch1: 3000}")
        s.wait(SAMPLE_PASSES)
        s.capture("CH 1 at exactly 3000, still the run screen")
        # Esc drops what was typed and gives the keys back.
        ActionChains(self.d).double_click(s.entry(6)).send_keys("4" + Keys.ESCAPE).perform()
        self.assertEqual(s.slider_value(6), 2)
        self.assertEqual(s.js("return document.activeElement"), s.js("return document.body"))
        # A value out of range changes nothing.
        ActionChains(self.d).double_click(s.entry(1)).send_keys("5000" + Keys.ENTER).perform()
        self.assertEqual(s.slider_value(1), 246)
        # One wheel notch over a slider is one step.
        ActionChains(self.d).scroll_from_origin(ScrollOrigin.from_element(s.slider(3)), 0, -100).perform()
        self.assertEqual(s.slider_value(3), 1230)
        s.steps.append("set: {ch4: 1230}")
        s.wait(SAMPLE_PASSES)
        s.capture("CH 4 one step up by the wheel")
        s.check()

    def test_page_opens_offline_once_served(self):
        self.d.get(self.url + "?manual")
        ready = self.d.execute_async_script("""
            const done = arguments[0];
            navigator.serviceWorker.ready.then((r) => done(r.active !== null), (e) => done(String(e)));""")
        self.assertTrue(ready, "the service worker must install")
        self.d.execute_cdp_cmd("Network.enable", {})
        self.d.execute_cdp_cmd("Network.emulateNetworkConditions",
                               {"offline": True, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
        try:
            # Without a network, a link with inputs still opens the instrument.
            s = Scenario(self, self.d, self.url, "?manual&ch1=40&on")
            self.assertTrue(s.js("return qd5test.state().running"))
            self.assertEqual(s.slider_value(0), 40)
        finally:
            self.d.execute_cdp_cmd("Network.emulateNetworkConditions",
                                   {"offline": False, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
            self.d.execute_cdp_cmd("Network.disable", {})

    def state(self):
        return self.d.execute_script("return window.qd5test ? qd5test.state() : null")

    def wait_until(self, condition, what):
        """Waits for the page to reach a state; the bound only ends a hang."""
        deadline = time.monotonic() + HANG_S
        while not condition():
            self.assertLess(time.monotonic(), deadline, f"after {HANG_S} s still waiting for {what}")
            time.sleep(0.05)

    def frames(self, n):
        """Lets the browser show n animation frames."""
        self.d.execute_async_script("""
            const done = arguments[arguments.length - 1];
            let left = arguments[0];
            const next = () => (--left > 0 ? requestAnimationFrame(next) : done());
            requestAnimationFrame(next);""", n)

    def hide_page_for(self, ms):
        """Shows another tab, then the page again; while hidden, the page's
        clock moves on by ms. Returns the page's state as it was hidden and as
        it was shown again."""
        self.d.execute_script("window.qd5seen = []; window.qd5hiddenFor = arguments[0];", ms)
        page = self.d.current_window_handle
        self.d.switch_to.new_window("tab")
        self.d.close()
        self.d.switch_to.window(page)
        self.wait_until(lambda: self.d.execute_script("return qd5seen.length") >= 2, "the page hidden and shown")
        hidden, shown = self.d.execute_script("return qd5seen")
        self.assertTrue(hidden["hidden"])
        self.assertFalse(shown["hidden"])
        return hidden, shown

    def test_run_loop_follows_its_clock_and_off_keeps_the_frame(self):
        """The run loop against a clock set by hand (tools/measure_web.py
        measures the rates on the real one): a pass per 1/60 s at most, the
        timer every 100 ms from the page's start, nothing while the page is
        hidden and the timer caught up when it is shown, no pass after Off."""
        script = self.d.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": MANUAL_CLOCK})
        try:
            self.d.get(self.url + "?on")
            # On runs the first pass, the first animation frame the second.
            self.wait_until(lambda: (self.state() or {}).get("passes", 0) >= 2, "the first passes")
            self.assertTrue(self.state()["running"])
            self.frames(3)
            self.assertEqual(self.state()["passes"], 2, "no pass while the clock stands still")
            self.js_clock(10)
            self.frames(3)
            self.assertEqual(self.state()["passes"], 2, "no pass within 1/60 s of the last")
            self.js_clock(17)
            self.wait_until(lambda: self.state()["passes"] == 3, "a pass after 1/60 s")
            self.frames(3)
            self.assertEqual(self.state()["passes"], 3, "one pass per 1/60 s at most")
            self.assertEqual(self.state()["ticks"], 0)
            self.js_clock(250)
            self.assertEqual(self.state()["ticks"], 2, "a tick every 100 ms from the page's start")
            self.wait_until(lambda: self.state()["passes"] == 4, "a pass at 250 ms")

            # Hidden for a minute: no pass and no tick meanwhile, then every
            # tick of that minute at once.
            self.d.execute_script("""
                document.addEventListener('visibilitychange', () => {
                  if (document.hidden) qd5clock.set(qd5clock.now() + qd5hiddenFor);
                  qd5seen.push({ hidden: document.hidden, intervals: qd5clock.intervals(), ...qd5test.state() });
                });""")
            hidden, shown = self.hide_page_for(60000)
            self.assertEqual(hidden["intervals"], 0, "a hidden page stops its timer")
            self.assertEqual(shown["passes"], hidden["passes"], "a hidden page runs no passes")
            self.assertEqual(hidden["ticks"], 2, "a hidden page runs no ticks")
            self.assertEqual(shown["ticks"], 602, "shown again, the timer has caught up with the clock")
            self.assertEqual(shown["intervals"], 1)
            # Hidden for longer than five minutes: five minutes of ticks, then
            # the timer goes on from the present.
            hidden, shown = self.hide_page_for(400000)
            self.assertEqual(shown["passes"], hidden["passes"])
            self.assertEqual(shown["ticks"], 602 + 3000, "the timer catches up on five minutes at most")
            self.js_clock(460250 + 100)
            self.assertEqual(self.state()["ticks"], 3603, "and ticks 100 ms after it was shown")

            shown_frame = self.d.execute_script("return qd5test.canvasHex()")
            self.assertNotEqual(shown_frame, "0" * len(shown_frame))
            self.d.find_element(By.ID, "power-off").click()
            self.js_clock(460250 + 200)
            self.wait_until(lambda: not self.state()["running"], "the pass that finds Off")
            last = self.d.execute_script("return [qd5test.state(), qd5test.canvasHex()]")
            self.js_clock(460250 + 2000)
            self.frames(3)
            later = self.d.execute_script("return [qd5test.state(), qd5test.canvasHex()]")
            self.assertFalse(later[0]["running"])
            self.assertEqual(later[0]["passes"], last[0]["passes"], "no pass after Off")
            self.assertEqual(later[1], last[1], "Off keeps the last frame")
        finally:
            self.d.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": script["identifier"]})

    # --- Scenarios in the page -------------------------------------------------

    def open_page(self, url):
        self.d.get(url)
        self.wait_until(lambda: (self.state() or {}).get("ready"), "the module")

    def scenario_status(self):
        return self.d.find_element(By.ID, "scenario-status").text

    def settle_status(self, *starts):
        self.wait_until(lambda: self.scenario_status().startswith(starts), f"a status starting {starts}")
        return self.scenario_status()

    def qd5run_sees(self, text, pixels):
        """qd5run plays the scenario text with a last step that compares the
        display with the page's frame, pixel for pixel."""
        folder = tempfile.mkdtemp(prefix="qd5-page-")
        try:
            write_png(os.path.join(folder, "page.png"), pixels)
            with open(os.path.join(folder, "page.yaml"), "w") as f:
                f.write(text.rstrip("\n") + "\n  - screenshot: {compare: page.png}\n")
            run = subprocess.run([QD5RUN, "--out", os.path.join(folder, "out"), os.path.join(folder, "page.yaml")],
                                 capture_output=True, text=True, timeout=120)
            self.assertEqual(run.returncode, 0, f"qd5run ends on another frame than the page:\n{run.stdout}{run.stderr}")
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def test_link_plays_a_scenario_to_qd5runs_frame(self):
        text = ("name: from a link\nsteps:\n  - set: {ch1: 300, ch2: 2500, volts: 1229}\n  - power: on\n"
                "  - wait: 3s\n  - press: right\n  - press: {key: knob, times: 2}\n  - wait: 1.5s\n"
                "  - expect: {lamp: dark}\n  - screenshot: {compare: refs/x.png}\n")
        self.open_page(f"{self.url}#{link_fragment(text)}&speed=max")
        self.assertEqual(self.settle_status("passed", "failed"), "passed")
        steps = self.d.find_elements(By.CSS_SELECTOR, "#scenario-steps li")
        self.assertEqual(len(steps), 8)
        self.assertIn("skipped: references are files: qd5run checks them", steps[-1].text)
        self.qd5run_sees(text.rsplit("  - screenshot", 1)[0], self.d.execute_script("return qd5test.canvasHex()"))
        # Hostile texts meet the loader's own limits, and the page stays healthy.
        for hostile, message in [("name: x\nsteps:\n  - power: on\0", "zero bytes"),
                                 ("#" * (10 << 20), "larger than 1048576 bytes"),
                                 (ALIAS_BOMB, "")]:
            self.d.execute_script("document.getElementById('scenario-text').value = arguments[0]", hostile)
            self.d.find_element(By.ID, "scenario-open-text").click()
            status = self.settle_status("failed")
            self.assertIn(message, status)
            self.assertTrue(status.startswith("failed: pasted.yaml:"), status)
        self.assertTrue(self.state()["ready"])

    def test_recorded_scenario_replays_in_qd5run(self):
        self.open_page(self.url + "?manual")
        click = lambda css: self.d.find_element(By.CSS_SELECTOR, css).click()
        drive = lambda passes: self.d.execute_script("qd5test.drive(arguments[0])", passes)
        click("#power-on")
        self.d.execute_script("qd5test.ticks(12); qd5test.passes(80)")
        click("#record")
        self.assertTrue(self.state()["held"], "a recording holds the instrument")
        drive(70)
        click("#key-right")
        drive(7)  # not a whole tick: the wait must not be rounded
        click("#key-push")
        drive(3)
        click("#knob-down")
        click("#knob-down")  # a second click before a pass is lost, in the page and in qd5run
        drive(40)
        entry = self.d.find_elements(By.CSS_SELECTOR, ".slider-row .value")[2]
        ActionChains(self.d).double_click(entry).send_keys("3900" + Keys.ENTER).perform()
        drive(150)
        click("#add-check")
        click("#zolt")
        drive(25)
        click("#record")
        self.wait_until(lambda: self.d.execute_script("return location.hash").startswith("#scenario="),
                        "the recording in the address")
        text = self.d.find_element(By.ID, "scenario-text").get_attribute("value")
        self.assertIn("click: right", text)
        self.assertIn("wait: 7 passes", text)
        self.assertIn("expect: [screen:", text)
        self.qd5run_sees(text, self.d.execute_script("return qd5test.canvasHex()"))
        # The address replays it: the same frame at the end.
        shown = self.d.execute_script("return qd5test.canvasHex()")
        self.open_page(self.url + self.d.execute_script("return location.hash") + "&speed=max")
        self.assertEqual(self.settle_status("passed", "failed"), "passed")
        self.assertEqual(self.d.execute_script("return qd5test.canvasHex()"), shown)

    def test_report_link_opens_at_its_step(self):
        folder = tempfile.mkdtemp(prefix="qd5-report-")
        try:
            scenario = os.path.join(folder, "alarm.yaml")
            with open(scenario, "w") as f:
                f.write("name: opens live\nsteps:\n  - set: {ch1: 300}\n  - power: on\n  - wait: 2s\n"
                        "  - press: right\n  - expect: {text: \"NO SUCH\"}\n  - wait: 1s\n")
            report = os.path.join(folder, "report")
            run = subprocess.run([QD5RUN, "--report", report, "--out", os.path.join(folder, "out"), "alarm.yaml"],
                                 capture_output=True, text=True, timeout=120, cwd=folder)
            self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
            self.assertTrue(os.path.isfile(os.path.join(report, "live", "index.html")), "the page beside the report")
            with open(os.path.join(report, "report.json")) as f:
                message = json.load(f)["scenarios"][0]["message"].split("; frame saved")[0]
            with open(os.path.join(report, "alarm.yaml.html")) as f:
                page = f.read()
            links = [html.unescape(href) for href in re.findall(r'<a class="live" href="([^"]+)"', page)]
            self.assertEqual(len(links), 6, "the failure and each of the five steps played")
            # The failure, from the report on disk.
            self.open_page("file://" + os.path.join(report, links[0]))
            self.assertEqual(self.settle_status("failed", "passed"), f"failed: {message}")
            self.assertFalse(self.state()["running"] and not self.state()["held"], "the frame holds")
            # A step: paused there, and a control hands the instrument over.
            self.open_page("file://" + os.path.join(report, links[3]))
            self.assertEqual(self.settle_status("paused"), "paused at line 5")
            self.d.find_element(By.ID, "key-right").click()
            self.assertFalse(self.state()["held"], "a control hands the instrument over, live")
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def js_clock(self, ms):
        self.d.execute_script("qd5clock.set(arguments[0])", ms)

if __name__ == "__main__":
    SITE, QD5RUN = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if len(sys.argv) > 3:
        OUTPUT = os.path.abspath(sys.argv[3])
        os.makedirs(OUTPUT, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=2)
