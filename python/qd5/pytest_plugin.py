"""The pytest plugin of qd5: the `instrument` fixture, screen comparisons with
`--qd5-update`, the last frame of a failing test saved beside its output, and
with `--qd5-report DIR` a report of the failed comparisons that
`qd5run --review DIR` reviews.

pytest loads it by itself once qd5 is importable (its entry point is in the
package's metadata); `-p qd5.pytest_plugin` loads it where autoloading is off.
The entry point bears the module's own name, so that both ways name one plugin
and pytest does not load it twice.
"""
import json
import os
import re

import pytest

import qd5
from qd5._qd5 import FAILURE_SCALE, _write_screen_report

# The user property that carries a failed comparison to the process that
# writes the report (pytest-xdist's workers send their reports there).
SCREEN_FAILURE = "qd5_screen_failure"


def pytest_addoption(parser):
    group = parser.getgroup("qd5", "the QD-5 instrument")
    group.addoption("--qd5-update", action="store_true", default=False,
                    help="write screens/NAME.png references that are missing or differ, instead of failing "
                         "(as QD5_UPDATE_REFS=1 does)")
    group.addoption("--qd5-report", metavar="DIR", default=None,
                    help="write a report of the failed screen comparisons to DIR, for qd5run --review DIR")


class TestInstrument(qd5.Instrument):
    """qd5.Instrument with the comparison of the display against the test
    folder's screens/ references."""

    __test__ = False  # not a test class, whatever pytest's naming rules say

    def __init__(self, folder, out_dir, update):
        super().__init__()
        self._folder = folder
        self._out_dir = out_dir
        self._update = update
        # (name, message) of the test's first failed comparison: its report
        # names its pictures after the test, so it holds one a test.
        self.screen_failure = None

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
            self.screen_failure = self.screen_failure or (name, message)
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
        _report_screen_failures(item, report, dev, tmp_path, None)
        return
    path = tmp_path / "failure.png"
    try:
        dev.screenshot(path, scale=FAILURE_SCALE)
    except OSError as error:
        report.sections.append(("qd5 last frame", f"could not be saved: {error}"))
        _report_screen_failures(item, report, dev, tmp_path, None)
        return
    where = f"last frame ({dev.screen}, {dev.time:.3f} s) saved to {path}"
    report.sections.append(("qd5 last frame", where))
    try:
        report.sections.append(("qd5 open live", dev.page_link()))
    except ValueError as error:
        report.sections.append(("qd5 open live", str(error)))
    # On the item: pytest's --junitxml writes the properties of the item's
    # last report, not those of the call's.
    item.user_properties.append(("qd5_failure_frame", str(path)))
    _report_screen_failures(item, report, dev, tmp_path, path)


def _report_screen_failures(item, report, dev, tmp_path, frame):
    """The test's failed comparison, for the report: the test named path::name
    with the path relative to where pytest was started, as qd5run names its
    scenarios relative to where it runs."""
    if not item.config.getoption("qd5_report") or dev.screen_failure is None:
        return
    name, message = dev.screen_failure
    path = os.path.relpath(str(item.path), str(item.config.invocation_params.dir))
    test = path + "::" + item.nodeid.split("::", 1)[-1]
    failure = {"test": test, "name": f"screen {name}", "message": message, "folder": dev._folder,
               "reference": f"screens/{name}.png", "out_dir": str(tmp_path), "stem": name,
               "failure": str(frame) if frame else ""}
    report.user_properties.append((SCREEN_FAILURE, json.dumps(failure)))


class _ScreenReport:
    """Gathers the failed comparisons of every test and writes the report at the end."""

    def __init__(self, folder):
        self.folder = folder
        self.failures = []

    def pytest_runtest_logreport(self, report):
        self.failures += [json.loads(value) for key, value in report.user_properties if key == SCREEN_FAILURE]

    def pytest_sessionfinish(self, session):
        _write_screen_report(self.folder, self.failures)


def pytest_configure(config):
    # Under pytest-xdist the controller alone writes; its workers have workerinput.
    folder = config.getoption("qd5_report")
    if folder and not hasattr(config, "workerinput"):
        config.pluginmanager.register(_ScreenReport(folder), "qd5-report")
