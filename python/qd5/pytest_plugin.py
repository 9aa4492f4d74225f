"""The pytest plugin of qd5: the `instrument` fixture, screen comparisons with
`--qd5-update`, and the last frame of a failing test saved beside its output.

pytest loads it by itself once qd5 is importable (its entry point is in the
package's metadata); `-p qd5.pytest_plugin` loads it where autoloading is off.
The entry point bears the module's own name, so that both ways name one plugin
and pytest does not load it twice.
"""
import os
import re

import pytest

import qd5
from qd5._qd5 import FAILURE_SCALE


def pytest_addoption(parser):
    group = parser.getgroup("qd5", "the QD-5 instrument")
    group.addoption("--qd5-update", action="store_true", default=False,
                    help="write screens/NAME.png references that are missing or differ, instead of failing "
                         "(as QD5_UPDATE_REFS=1 does)")


class TestInstrument(qd5.Instrument):
    """qd5.Instrument with the comparison of the display against the test
    folder's screens/ references."""

    __test__ = False  # not a test class, whatever pytest's naming rules say

    def __init__(self, folder, out_dir, update):
        super().__init__()
        self._folder = folder
        self._out_dir = out_dir
        self._update = update

    def assert_screen(self, name, scale=1, view="display"):
        """Compares the picture with <test folder>/screens/NAME.png; on a
        difference writes NAME.actual.png and NAME.diff.png into the test's
        output folder and fails naming them."""
        __tracebackhide__ = True
        if not re.fullmatch(r"[A-Za-z0-9_.-]+", name) or name.startswith("."):
            raise ValueError(f"a screen name is letters, digits, '_', '-' and '.', not {name!r}")
        # screens/ is opened inside the test folder without following a symlink.
        message = self._compare_screen_in(self._folder, f"screens/{name}.png", os.fspath(self._out_dir), scale,
                                          view, self._update)
        if message:
            raise AssertionError(f"screen {name!r}: {message}")


@pytest.fixture
def instrument(request, tmp_path):
    """A fresh instrument for each test: the instrument reset in this process,
    off, sliders at 0, time 0."""
    dev = TestInstrument(os.path.dirname(str(request.path)), str(tmp_path), request.config.getoption("qd5_update"))
    request.node._qd5 = (dev, tmp_path)
    yield dev
    if dev._recording:
        dev.stop_recording()


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    held = getattr(item, "_qd5", None)
    if report.when != "call" or not report.failed or held is None:
        return
    dev, tmp_path = held
    if not dev.live:
        return
    path = tmp_path / "failure.png"
    try:
        dev.screenshot(path, scale=FAILURE_SCALE)
    except OSError as error:
        report.sections.append(("qd5 last frame", f"could not be saved: {error}"))
        return
    where = f"last frame ({dev.screen}, {dev.time:.3f} s) saved to {path}"
    report.sections.append(("qd5 last frame", where))
    # On the item: pytest's --junitxml writes the properties of the item's
    # last report, not those of the call's.
    item.user_properties.append(("qd5_failure_frame", str(path)))
