"""The rules the examples rely on and cannot show themselves."""
import base64
import http.client
import json
import os
import re
import signal
import subprocess
import sys
import urllib.parse
import zlib

import pytest

import qd5

NORMAL = dict(ch1=216, ch2=156, ch3=2048, volts=1440)


def test_a_second_instrument_resets_and_replaces_the_first():
    first = qd5.Instrument()
    first.set(**NORMAL)
    first.power_on()
    first.press("knob")
    assert first.screen == "main-menu"

    second = qd5.Instrument()
    # The state is the second's own, as at program start, not the first's.
    assert (second.on, second.screen, second.time, second.frame) == (False, "run", 0.0, bytes(160 * 128))
    with pytest.raises(RuntimeError, match="replaced by a newer one"):
        first.press("knob")
    with pytest.raises(RuntimeError, match="replaced by a newer one"):
        first.texts
    assert not first.live and second.live

    # A scenario run resets the instrument too.
    qd5.run_scenario("name: reset\nsteps:\n  - power: on\n")
    with pytest.raises(RuntimeError, match="replaced by a newer one"):
        second.wait(1)


def test_the_degree_sign_goes_both_ways():
    dev = qd5.Instrument()
    dev.set(**NORMAL)
    dev.power_on()
    dev.wait(1.2)
    # Drawn as the instrument's byte 176, read back as "°"...
    assert "°C" in [t.text for t in dev.texts]
    # ...and "°" in a condition matches that byte.
    dev.expect(text="°C")
    dev.wait_for(text="°C", timeout=0)
    assert not dev.holds(text="°F")
    with pytest.raises(ValueError, match="^the instrument draws no character beyond code 255$"):
        dev.expect(text="4.0 €")


WAIT_FOR_STEPS = """\
name: wait-for from Python and from a scenario
steps:
  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}
  - power: on
  - wait-for: {text: "4.0", timeout: 3s}
  - set: {ch1: 40}
  - wait-for: {alarm: {ch1: true}, timeout: 2s}
  - wait-for: {pixel: {x: 126, y: 4, colour: 9}, timeout: 1.2s}
  - press: right
  - wait-for: {lamp: dark, timeout: 1s}
  - press: knob
  - wait-for: {screen: main-menu, text: "MAIN MENU", timeout: 2s}
"""


def test_wait_for_ends_on_the_frame_a_scenario_of_the_same_steps_ends_on():
    dev = qd5.Instrument()
    dev.set(**NORMAL)
    dev.power_on()
    dev.wait_for(text="4.0", timeout=3)
    dev.set(ch1=40)
    dev.wait_for(alarm={"ch1": True}, timeout=2)
    dev.wait_for(pixel={"x": 126, "y": 4, "colour": 9}, timeout=1.2)
    dev.press("right")
    dev.wait_for(lamp="dark", timeout=1)
    dev.press("knob")
    dev.wait_for(screen="main-menu", text="MAIN MENU", timeout=2)
    frame, time = dev.frame, dev.time
    assert time > 2  # the waits waited

    result = qd5.run_scenario(WAIT_FOR_STEPS)
    assert result.passed, result.message
    assert result.time == time
    assert result.frame == frame

    # The page's link carries the same calls and opens at the last one.
    page, fragment = dev.page_link(base="https://example.org/qd5/").split("#", 1)
    parts = dict(urllib.parse.parse_qsl(fragment))
    packed = base64.urlsafe_b64decode(parts["scenario"] + "=" * (-len(parts["scenario"]) % 4))
    text = zlib.decompress(packed, -15).decode()
    assert (page, parts["speed"], parts["file"]) == ("https://example.org/qd5/", "max", "python.yaml")
    assert text == dev.as_scenario()
    assert text.splitlines()[int(parts["at"]) - 1].startswith("  - wait-for: {")


def test_qd5run_and_python_leave_the_same_evidence_of_a_mismatch(tmp_path):
    qd5run = os.environ.get("QD5RUN")
    if not qd5run:
        pytest.skip("QD5RUN names the qd5run to compare with (ctest sets it)")
    dev = qd5.Instrument()
    dev.screenshot(tmp_path / "ref.png")  # the black display before On
    dev.set(**NORMAL)
    dev.power_on()
    dev.wait(1.2)
    assert "pixels differ" in dev.compare_screen(tmp_path / "ref.png", tmp_path / "python")

    scenario = tmp_path / "s.yaml"
    scenario.write_text("name: s\nsteps:\n  - set: {ch1: 216, ch2: 156, ch3: 2048, volts: 1440}\n"
                        "  - power: on\n  - wait: 1.2s\n  - screenshot: {compare: ref.png}\n")
    run = subprocess.run([qd5run, "--out", str(tmp_path / "qd5run"), str(scenario)], capture_output=True,
                         text=True, stdin=subprocess.DEVNULL)
    assert run.returncode == 1, run.stdout + run.stderr
    for kind in ("actual", "diff"):
        [written] = (tmp_path / "qd5run").glob(f"*s.yaml.ref.{kind}.png")
        assert written.read_bytes() == (tmp_path / "python" / f"ref.{kind}.png").read_bytes(), kind


def test_a_failed_assert_screen_is_reviewed_and_accepted_by_qd5run(tmp_path):
    qd5run = os.environ.get("QD5RUN")
    if not qd5run:
        pytest.skip("QD5RUN names the qd5run that reviews (ctest sets it)")
    (tmp_path / "screens").mkdir()
    qd5.Instrument().screenshot(tmp_path / "screens" / "on.png")  # the black display before On
    (tmp_path / "test_on.py").write_text("def test_on(instrument):\n    instrument.set(ch1=216, ch2=156, ch3=2048, "
                                         "volts=1440)\n    instrument.power_on()\n    instrument.wait(1.2)\n"
                                         "    instrument.assert_screen('on')\n")
    pytest_run = [sys.executable, "-m", "pytest", "-p", "no:cacheprovider", "-q", "test_on.py"]
    run = subprocess.run(pytest_run + ["--qd5-report", "report"], cwd=tmp_path, capture_output=True, text=True)
    assert run.returncode == 1, run.stdout
    [failure] = json.loads((tmp_path / "report" / "report.json").read_text())["scenarios"]
    assert (failure["file"], failure["reference"]) == ("test_on.py::test_on", "screens/on.png")
    assert set(failure["pictures"]) == {"failure", "expected", "actual", "diff"}

    review = subprocess.Popen([qd5run, "--review", "report"], cwd=tmp_path, stdout=subprocess.PIPE, text=True)
    try:
        port, token = re.match(r"review: http://127.0.0.1:(\d+)/\?token=(\w+)", review.stdout.readline()).groups()
        own = f"127.0.0.1:{port}"
        for path, body in (("decide", {"decision": "accept", "changes": [0]}), ("finish", {})):
            connection = http.client.HTTPConnection("127.0.0.1", int(port), timeout=60)
            connection.request("POST", f"/{path}?token={token}", body=json.dumps(body),
                               headers={"Host": own, "Origin": f"http://{own}"})
            assert connection.getresponse().status == 200
            connection.close()
        assert "review: 1 accepted" in review.communicate(timeout=60)[0]
    finally:
        if review.poll() is None:
            review.kill()
            review.wait()
    assert subprocess.run(pytest_run, cwd=tmp_path, capture_output=True).returncode == 0


def test_waiting_for_samples_while_off_fails_alike_in_python_and_in_a_scenario():
    result = qd5.run_scenario("name: off\nsteps:\n  - wait: 2 samples\n")
    assert not result.passed
    dev = qd5.Instrument()
    with pytest.raises(qd5.Timeout) as raised:
        dev.wait(samples=2)
    assert str(raised.value) == "the instrument is off and takes no samples (0 of 2 taken)"
    assert str(raised.value) in result.message


def _hostile(dev, work):
    """What each hostile path does, by name: a call, and the exception it must raise (or None)."""
    return {
        "screenshot over a link": (lambda: dev.screenshot(work / "link.png"), None),
        "screenshot over a dangling link": (lambda: dev.screenshot(work / "dangling.png"), None),
        "update over a link": (lambda: dev.compare_screen(work / "link.png", work, update=True), None),
        "recording over a link": (lambda: dev.record(work / "link.png").stop(), None),
        "NUL in a screenshot": (lambda: dev.screenshot(str(work / "a\0b.png")), ValueError),
        "NUL in a reference": (lambda: dev.compare_screen(str(work / "a\0b.png"), work), ValueError),
        "NUL in an output folder": (lambda: dev.compare_screen(work / "x.png", str(work / "a\0b")), ValueError),
        "NUL in a recording": (lambda: dev.record(str(work / "a\0b.gif")), ValueError),
        "NUL in a scenario": (lambda: qd5.run_scenario(path=str(work / "a\0b.yaml")), ValueError),
        "FIFO as a reference": (lambda: dev.compare_screen(work / "fifo.png", work), "not a regular file"),
        "FIFO as a scenario": (lambda: qd5.run_scenario(path=work / "fifo.png"), OSError),
    }


@pytest.mark.parametrize("case", sorted(_hostile(None, None)))
def test_hostile_paths_write_nothing_outside_and_never_hang(tmp_path, case):
    outside = tmp_path / "outside.txt"
    outside.write_text("keep")
    work = tmp_path / "work"
    work.mkdir()
    (work / "link.png").symlink_to(outside)
    (work / "dangling.png").symlink_to(tmp_path / "created.txt")
    os.mkfifo(work / "fifo.png")
    call, expected = _hostile(qd5.Instrument(), work)[case]
    if isinstance(expected, type):
        with pytest.raises(expected):
            call()
    else:
        outcome = call()
        assert expected is None or expected in outcome
    assert outside.read_text() == "keep"
    assert not (tmp_path / "created.txt").exists()
    assert not (work / "a").exists()


def test_ctrl_c_stops_a_long_wait():
    dev = qd5.Instrument()
    dev.power_on()
    before = signal.signal(signal.SIGALRM, signal.default_int_handler)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        with pytest.raises(KeyboardInterrupt):
            dev.wait_for(text="NEVER SHOWN", timeout="23h")
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, before)
    assert dev.time < 24 * 3600  # stopped, not timed out
    dev.wait(1)  # and still usable
