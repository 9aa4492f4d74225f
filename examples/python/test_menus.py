"""A walk through the menus: the knob opens the main menu, turning it moves
the highlight, pushing it opens the item, the left key goes back."""
import pytest

HIGHLIGHT = 9  # the colour of the selected item and of titles


def highlighted(dev):
    return [t.text for t in dev.texts if t.colour == HIGHLIGHT]


def test_the_knob_opens_the_main_menu(running):
    running.press("knob")
    assert running.screen == "main-menu"
    running.expect(text="MAIN MENU", colour=HIGHLIGHT)
    assert [t.text for t in running.texts][-3:] == ["CH 1", "SETUP", "EXIT"]


@pytest.mark.parametrize("turns, item, screen, title", [
    (0, "CH 1", "channel-setup", ["CH 1", "SETUP"]),
    (1, "CH 2", "channel-setup", ["CH 2", "SETUP"]),
    (2, "CH 3", "channel-setup", ["CH 3", "SETUP"]),
    (3, "CH 4", "channel-setup", ["CH 4", "SETUP"]),
    (4, "MISC", "misc", ["MISC SETUP"]),
    (5, "ADC", "values", ["ADC", "VALUES"]),
])
def test_each_main_menu_item_opens_its_screen(running, turns, item, screen, title):
    running.press("knob")
    running.press("up", times=turns)
    running.expect(text=item)
    running.press("knob")
    assert running.screen == screen
    for word in title:
        running.expect(text=word, colour=HIGHLIGHT)
    running.press("left")
    assert running.screen == "main-menu"


def test_the_channel_setup_shows_each_channels_sender(running):
    running.press("knob")
    running.press("knob")
    running.expect(text="MODE: ")
    running.expect(text="PRESSURE")
    running.press("left")
    running.press("up")
    running.press("knob")
    running.wait_for(text="VDO 150°C", timeout=1.0)  # the degree sign, both ways
    assert "VDO 150°C" in [t.text for t in running.texts]


def test_the_values_screen_shows_the_raw_inputs(running):
    running.press("knob")
    running.press("up", times=5)
    running.press("knob")
    texts = [t.text for t in running.texts]
    assert {"CH 1: 216", "CH 2: 156", "CH 3: 2048", "CH 4: 1440"} <= set(texts)


def test_the_misc_menu_moves_its_highlight(running):
    running.press("knob")
    running.press("up", times=4)
    running.press("knob")
    seen = []
    for _ in range(3):
        seen.append(highlighted(running)[-1])
        running.press("up")
    assert seen == ["BACKLIGHT", "SECURITY SETUP", "INFORMATION"]


def test_the_left_key_leaves_the_main_menu(running):
    running.press("knob")
    running.press("left")
    assert running.screen == "run"
    running.expect(text="OILP")
    running.assert_screen("run_hbar")
