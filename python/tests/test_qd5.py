"""The rules the examples rely on and cannot show themselves."""
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
