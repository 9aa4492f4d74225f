"""The Nuva QD-5 instrument in simulated time, for tests written in Python.

The instrument is the simulator's own code, driven by the same front panel,
time model, loader and conditions as the scenario runner qd5run: each call
is read as the scenario step it stands for, so names, ranges and messages
are those of a scenario file. See docs/PYTHON.md for every call.
"""
import json
import math
import os
import pathlib
import re
from collections import namedtuple

from . import _qd5
from ._qd5 import CHANNEL_COUNT, HEIGHT, INPUTS, KEYS, MODES, PAGES, SCREENS, WIDTH

__all__ = [
    "Instrument", "Text", "Timeout", "ScenarioResult", "run_scenario",
    "WIDTH", "HEIGHT", "CHANNEL_COUNT", "INPUTS", "KEYS", "MODES", "PAGES", "SCREENS",
]

# One drawn text of the last frame, as lcd_text was asked to draw it and where
# it landed: start_x and end_x are the x of its first column and the x after it.
Text = namedtuple("Text", "text x y size colour start_x end_x")

# What a scenario run gave: whether it passed, the failure ("file:line:column:
# ..."), the simulated seconds, the references written by update, and the
# frame buffer it ended on (bytes, like Instrument.frame).
ScenarioResult = namedtuple("ScenarioResult", "passed message time notes frame")


class Timeout(AssertionError):
    """A wait_for whose conditions did not hold in time, or a key the
    instrument did not take: the message says what was found instead."""


_PLAIN = re.compile(r"[a-z][a-z0-9-]*\Z")


def _yaml(value):
    """A value in YAML flow style that the loader reads back as given."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float):
        return _number(value)
    if isinstance(value, str):
        return value if _PLAIN.match(value) and value not in ("true", "false", "yes", "no", "on", "off",
                                                               "null") else json.dumps(value, ensure_ascii=False)
    if isinstance(value, dict):
        return "{" + ", ".join(f"{_key(k)}: {_yaml(v)}" for k, v in value.items()) + "}"
    if isinstance(value, (list, tuple)):
        return "[" + ", ".join(_yaml(v) for v in value) + "]"
    return json.dumps(str(value), ensure_ascii=False)


def _key(name):
    return _yaml(name.replace("_", "-") if isinstance(name, str) else name)


def _number(value):
    if not math.isfinite(value):
        return json.dumps(str(value))
    text = repr(value)
    if "e" in text or len(text) > 12:
        text = f"{value:.6f}".rstrip("0").rstrip(".")
    return text


def _seconds(value):
    if isinstance(value, str):
        return json.dumps(value, ensure_ascii=False)
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return (str(value) if isinstance(value, int) else _number(value)) + "s"
    return json.dumps(str(value))


def _conditions(conditions, timeout=None):
    items = {}
    for key, value in conditions.items():
        if key == "at" and isinstance(value, (tuple, list)) and len(value) == 2:
            value = {"x": value[0], "y": value[1]}
        if key == "reading" and isinstance(value, dict):
            value = {ch: ({"min": v[0], "max": v[1]} if isinstance(v, (tuple, list)) else v)
                     for ch, v in value.items()}
        items[key] = value
    text = "{" + ", ".join(f"{_key(k)}: {_yaml(v)}" for k, v in items.items())
    if timeout is not None:
        text += (", " if items else "") + "timeout: " + _seconds(timeout)
    return text + "}"


class Instrument(_qd5.Core):
    """The instrument as a freshly started simulator has it: off, every slider
    at 0, the box clear, time 0. The state is static: creating another
    Instrument resets it and leaves this one unusable."""

    def __init__(self):
        super().__init__()
        self._history = []

    # A scenario holds at most this many steps (the loader's limit).
    _MAX_STEPS = _qd5.MAX_STEPS

    def _note(self, step):
        if len(self._history) <= self._MAX_STEPS:
            self._history.append(step)

    def _run(self, step):
        status, message = self._step(step)
        self._note(step)
        if status == 1:
            raise Timeout(message)
        if status == 2:
            raise AssertionError(message)

    # The front panel.
    def set(self, **raw):
        """Raw sliders, any subset of ch1..ch4 and volts: 0..4096."""
        if raw:
            self._run("set: " + _yaml(raw))

    def mode(self, **modes):
        """Channel modes by name ("off", "pressure", "temperature", "current",
        "volts") or number 0..4, as the mode sliders set them."""
        if modes:
            self._run("mode: " + _yaml(modes))

    def zolt(self, checked=True):
        """The "ZOLT On/Off" check box."""
        self._run("zolt: " + _yaml(checked))

    def power_on(self):
        """The On button: the power-on sequence, then the first pass at once."""
        self._run("power: on")

    def power_off(self):
        """The Off button: the loop stops before its next pass."""
        self._run("power: off")

    def press(self, key, times=1, until=None, max=None):
        """Clicks a key ("left", "right", "knob", "up", "down") times times,
        each when the key slot is free, then runs until the screen it leads to
        is drawn; times=0 presses nothing. With until (conditions) it presses
        until they hold, at most max times (100 if not given)."""
        if until is None and max is None:
            self._run("press: " + (_yaml(key) if times == 1 else _yaml({"key": key, "times": times})))
            return
        text = "press: {key: " + _yaml(key) + ("" if times == 1 else ", times: " + _yaml(times))
        if until is not None:
            text += ", until: " + _conditions(until)
        if max is not None:
            text += ", max: " + _yaml(max)
        self._run(text + "}")

    def click(self, key):
        """A click on a key and nothing more: stored only if the key slot is
        empty, and no pass runs."""
        self._run("click: " + _yaml(key))

    def settings(self, **fields):
        """A test fixture: writes settings by their own names, as if made in
        the menus (only while the instrument is on)."""
        self._run("settings: " + _yaml(fields))

    # Time.
    def wait(self, seconds=None, *, ticks=None, passes=None, samples=None):
        """Lets simulated time pass: seconds, or ticks of the 100 ms timer, or
        passes of the loop (100/6 ms), or samplings of the channels that the
        instrument takes (one every 1.1 s while it is on; while it is off it
        takes none, and the wait raises Timeout), as a scenario's wait does."""
        given = [(n, v) for n, v in (("seconds", seconds), ("ticks", ticks), ("passes", passes),
                                     ("samples", samples)) if v is not None]
        if len(given) != 1:
            raise TypeError("wait takes one of seconds, ticks=, passes= or samples=")
        name, value = given[0]
        if name == "seconds":
            text = _seconds(value)
        else:
            number = _yaml(value) if isinstance(value, (int, float)) and not isinstance(value, bool) \
                else json.dumps(str(value))
            text = f"{number} {name}"
        self._run("wait: " + text)

    def wait_for(self, timeout=None, **conditions):
        """Runs until every condition holds (those of a scenario's wait-for),
        at most timeout seconds (10 s if not given); raises Timeout naming
        what it saw instead."""
        self._run("wait-for: " + _conditions(conditions, timeout))

    def expect(self, **conditions):
        """Checks the conditions now; raises AssertionError naming what it saw."""
        self._run("expect: " + _conditions(conditions))

    def holds(self, **conditions):
        """Whether the conditions hold now."""
        return self._holds("expect: " + _conditions(conditions))[0]

    # What the instrument shows.
    @property
    def texts(self):
        """The texts drawn in the last frame, in the order drawn."""
        return [Text._make(t) for t in self._texts()]

    def alarm(self, input):
        """Whether the alarm flag of ch1..ch4 or volts is set."""
        return self._alarm(input, False)

    def acknowledged(self, input):
        """Whether the alarm of ch1..ch4 or volts has been acknowledged by a key."""
        return self._alarm(input, True)

    def frame_array(self):
        """The frame as a 128 x 160 numpy array of colour indices."""
        try:
            import numpy
        except ImportError as error:
            raise ImportError("frame_array needs numpy (Debian: python3-numpy); frame has the bytes") from error
        return numpy.frombuffer(self.frame, dtype=numpy.uint8).reshape(HEIGHT, WIDTH)

    def rgb(self, scale=1, view="display"):
        """The display (or the device) as RGB bytes, rows top first."""
        return self._rgb(scale, view)

    def screenshot(self, path, scale=1, view="display"):
        """Writes the display ("display") or the front with the display in it
        ("device") as a PNG file. Like every file the module writes, it is
        written whole under a temporary name and renamed, so a symlink at path
        is replaced, never followed."""
        self._screenshot(os.fspath(path), scale, view)

    def compare_screen(self, reference, out_dir=".", scale=1, view="display", update=False):
        """Compares the picture with a reference PNG as qd5run's screenshot
        compare does: "" when equal, else what differs, with NAME.actual.png
        and NAME.diff.png written into out_dir. update (or QD5_UPDATE_REFS=1)
        writes a missing or differing reference instead."""
        return self._compare_screen(os.fspath(reference), os.fspath(out_dir), scale, view, update)

    def record(self, path, scale=1, view="display"):
        """Starts an animated GIF; stop it with the returned object's stop(),
        or use it in a with block."""
        self._record_start(os.fspath(path), scale, view)
        return _Recording(self)

    def stop_recording(self):
        self._record_stop()

    # Back to a scenario.
    def as_scenario(self, name="from Python", expect=None):
        """The calls made so far as a qd5run scenario, which brings the
        instrument to the same state; expect adds a final expect step."""
        if len(self._history) > self._MAX_STEPS:
            raise ValueError(f"more than {self._MAX_STEPS} steps: no scenario holds them")
        lines = [f"name: {json.dumps(name, ensure_ascii=False)}", "steps:"]
        lines += [f"  - {step}" for step in self._history]
        if expect:
            lines.append("  - expect: " + _conditions(expect))
        return "\n".join(lines) + "\n"

    def page_link(self, base=None):
        """A link to the web page that plays the calls made so far, as fast
        as possible up to the last one, then hands the controls over: the
        page of make web (or an installed one) unless base names another."""
        if base is None:
            folder = _qd5._built_page_dir()
            if not folder:
                raise ValueError("no built web page: run make web, or give base=")
            base = pathlib.Path(folder, "index.html").as_uri()
        # as_scenario() puts the calls on lines 3 onwards, one a line.
        last = 2 + len(self._history) if self._history else 0
        return f"{base}#{_qd5._scenario_fragment(self.as_scenario(), 'python.yaml', last)}"

    def __repr__(self):
        if not self.live:
            return "<qd5.Instrument (replaced)>"
        return f"<qd5.Instrument {'on' if self.on else 'off'}, screen {self.screen}, {self.time:.3f} s>"


class _Recording:
    def __init__(self, instrument):
        self._instrument = instrument

    def stop(self):
        self._instrument._record_stop()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
        return False


def run_scenario(text=None, *, path=None, out=None, update=False):
    """Runs a scenario (its text, or the file at path) through qd5run's own
    runner; pictures go into out (none if out is None). The scenario resets
    the instrument, so the live Instrument is replaced."""
    if (text is None) == (path is None):
        raise TypeError("run_scenario takes the text of a scenario or path=")
    file = "scenario.yaml" if path is None else os.fspath(path)
    return ScenarioResult._make(_qd5._run_scenario(text, file, None if out is None else os.fspath(out), update))
