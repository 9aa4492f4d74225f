"""A property: whatever keys are pressed and sliders moved, in any order,

- the lamp agrees with the alarm flags that no key has acknowledged,
- no text leaves the screen,
- the screen is one of the instrument's 13.

Hypothesis plays random sequences and shrinks a failing one; the failure
then prints the sequence as a qd5run scenario that reproduces it.
"""
import os
import pathlib
import re
import subprocess

import pytest
from hypothesis import HealthCheck, note, settings
from hypothesis import strategies as st
from hypothesis.stateful import RuleBasedStateMachine, initialize, invariant, rule, run_state_machine_as_test

import qd5

CHANNELS = qd5.INPUTS[:qd5.CHANNEL_COUNT]
# The digital page's top labels start at row -3 by design, their blank top
# rows clipped; no text starts higher.
TOP = -3


class InstrumentMachine(RuleBasedStateMachine):
    def __init__(self):
        super().__init__()
        self.dev = qd5.Instrument()

    @initialize(raw=st.fixed_dictionaries({i: st.integers(0, 4096) for i in qd5.INPUTS}))
    def power_on(self, raw):
        self.dev.set(**raw)
        self.dev.power_on()

    @rule(key=st.sampled_from(qd5.KEYS), times=st.integers(1, 3))
    def press(self, key, times):
        self.dev.press(key, times=times)

    @rule(input=st.sampled_from(qd5.INPUTS), raw=st.integers(0, 4096))
    def move_slider(self, input, raw):
        self.dev.set(**{input: raw})

    @rule(channel=st.sampled_from(CHANNELS), mode=st.sampled_from(qd5.MODES))
    def move_mode_slider(self, channel, mode):
        self.dev.mode(**{channel: mode})

    @rule(checked=st.booleans())
    def zolt(self, checked):
        self.dev.zolt(checked)

    @rule(passes=st.integers(1, 200))
    def wait(self, passes):
        self.dev.wait(passes=passes)

    @rule()
    def power_cycle(self):
        self.dev.power_off()
        self.dev.wait(passes=1)
        self.dev.power_on()

    # The invariants, each naming what it saw; fail() turns that into a scenario.
    @invariant()
    def lamp_agrees_with_unacknowledged_alarms(self):
        # The lamp is set as a pass begins: a pass that sampled may have
        # changed the flags after it, and the next pass shows them.
        if self.dev.sampled:
            return
        unacknowledged = [c for c in CHANNELS if self.dev.alarm(c) and not self.dev.acknowledged(c)]
        if (self.dev.lamp == "bright") != bool(unacknowledged):
            self.fail(f"the lamp is {self.dev.lamp} with unacknowledged alarms {unacknowledged or 'none'}")

    @invariant()
    def no_text_leaves_the_screen(self):
        for t in self.dev.texts:
            if t.start_x < 0 or t.end_x > qd5.WIDTH or not TOP <= t.y < qd5.HEIGHT:
                self.fail(f"{t} leaves the screen", text=t.text, colour=t.colour, size=t.size)

    @invariant()
    def the_screen_is_one_of_thirteen(self):
        if self.dev.screen not in qd5.SCREENS:
            self.fail(f"the screen is {self.dev.screen}, none of {', '.join(qd5.SCREENS)}")

    def fail(self, what, **seen):
        """Fails with the calls so far as a qd5run scenario that ends on the
        state found, so that qd5run passes it exactly when it reproduces it."""
        state = {"lamp": self.dev.lamp,
                 "alarm": {i: self.dev.alarm(i) for i in qd5.INPUTS}}
        if self.dev.screen in qd5.SCREENS:
            state["screen"] = self.dev.screen
        scenario = self.dev.as_scenario(f"reproduces: {what}", expect={**state, **seen})
        note("A qd5run scenario that reproduces it:\n" + scenario)
        raise AssertionError(f"{what}\n\nA qd5run scenario that reproduces it:\n{scenario}")


InstrumentMachine.TestCase.settings = settings(max_examples=40, stateful_step_count=30, deadline=None)
test_random_keys_and_sliders = InstrumentMachine.TestCase


# A planted fault: an invariant that is false on purpose shows what a real one
# would print, and that the printed scenario runs in qd5run.
class PlantedFault(InstrumentMachine):
    @invariant()
    def oil_pressure_stays_below_5_bar(self):  # false: the slider goes to 10 bar and beyond
        if self.dev.reading("ch1") is not None and self.dev.reading("ch1") > 50:
            self.fail(f"oil pressure {self.dev.reading('ch1') / 10} bar")


def qd5run_program():
    """qd5run beside the module in a build tree, or the one CTest names."""
    if os.environ.get("QD5RUN"):
        return os.environ["QD5RUN"]
    beside = pathlib.Path(qd5.__file__).resolve().parents[2] / "qd5run"
    return str(beside) if beside.exists() else None


def test_a_planted_fault_prints_a_runnable_scenario(tmp_path):
    with pytest.raises(AssertionError) as failure:
        run_state_machine_as_test(PlantedFault, settings=settings(
            max_examples=100, stateful_step_count=20, deadline=None, database=None, derandomize=True,
            suppress_health_check=list(HealthCheck)))
    message = str(failure.value)
    assert message.startswith("oil pressure ")
    scenario = message.split("A qd5run scenario that reproduces it:\n", 1)[1]
    assert re.match(r"name: \"reproduces: oil pressure .* bar\"\nsteps:\n  - set: ", scenario)
    print(scenario)

    # Shrunk: a few steps, not the twenty it may have taken first.
    assert scenario.count("\n  - ") <= 8

    # The runner's own code reproduces the state...
    result = qd5.run_scenario(scenario)
    assert result.passed, result.message
    # ...and so does the qd5run program, where there is one.
    program = qd5run_program()
    if program:
        path = tmp_path / "reproduce.yaml"
        path.write_text(scenario, encoding="utf-8")
        run = subprocess.run([program, "--out", str(tmp_path / "out"), str(path)], capture_output=True, text=True)
        assert run.returncode == 0, run.stdout + run.stderr
