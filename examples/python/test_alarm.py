"""The oil-pressure alarm: the value flashes, the lamp lights, a key
acknowledges it (the lamp goes dark while the value flashes on), and the
alarm ends when the pressure recovers."""


def test_low_oil_pressure_lights_the_lamp_until_acknowledged(running):
    dev = running
    assert dev.lamp == "dark" and not dev.alarm("ch1")

    dev.set(ch1=40)  # 0.4 bar, below the 1.5 bar low alarm
    dev.wait_for(alarm={"ch1": True}, timeout=2.0)
    dev.wait(passes=1)  # the lamp is set as the next pass begins
    assert dev.lamp == "bright"
    assert dev.reading("ch1") <= 14

    # The value flashes white on red in one half of the blink cycle.
    dev.wait_for(pixel={"x": 126, "y": 4, "colour": 9}, timeout=1.2)
    dev.expect(text="0.4", colour=15)
    dev.assert_screen("alarm_on", scale=2)
    dev.wait_for(pixel={"x": 126, "y": 4, "colour": 0}, timeout=1.2)

    dev.press("right")
    assert dev.lamp == "dark"
    assert dev.alarm("ch1") and dev.acknowledged("ch1")
    assert dev.screen == "run"

    dev.set(ch1=216)
    dev.wait_for(alarm={"ch1": False}, timeout=2.0)
    assert not dev.acknowledged("ch1")
    dev.wait(2)
    assert dev.lamp == "dark"
    dev.expect(text="4.0", pixel={"x": 126, "y": 4, "colour": 0})


def test_an_alarm_during_a_recording(running, tmp_path):
    dev = running
    with dev.record(tmp_path / "alarm.gif", view="device"):
        dev.set(ch1=40)
        dev.wait(3)
    assert (tmp_path / "alarm.gif").read_bytes()[:3] == b"GIF"
    assert dev.lamp == "bright"
