"""The table of cases of the scenario language (tests/runner/language_cases.yaml),
played through the module's calls: each case passes, fails with the same
message, or is refused with the same message as in qd5run."""
import os

import pytest
import yaml

import qd5

CASES = yaml.safe_load(open(os.path.join(os.path.dirname(__file__), "..", "..", "tests", "runner",
                                         "language_cases.yaml"), encoding="utf-8"))


def underscored(value):
    """A mapping's names as Python writes them: - as _."""
    if isinstance(value, dict):
        return {k.replace("-", "_"): underscored(v) for k, v in value.items()}
    return value


def play(dev, step):
    (name, value), = step.items()
    if name == "power":
        dev.power_on() if value else dev.power_off()
    elif name in ("set", "settings"):
        getattr(dev, name)(**value)
    elif name == "press" and isinstance(value, dict):
        dev.press(value.pop("key"), **value)
    elif name in ("press", "click"):
        getattr(dev, name)(value)
    elif name == "wait":
        number, unit = (str(value).split() + [""])[:2]
        dev.wait(**{unit: int(number)}) if unit else dev.wait(value)
    elif name == "wait-for":
        dev.wait_for(**underscored(value))
    elif name == "expect":
        dev.expect(**underscored(value))
    else:
        raise AssertionError(f"no call for {name}")


def test_every_step_and_condition_is_a_call_or_keyword():
    assert all(hasattr(qd5.Instrument, name.replace("-", "_")) or name in ("power", "screenshot", "record")
               for name in qd5._qd5.STEPS)
    dev = qd5.Instrument()
    for name in qd5._qd5.CONDITIONS:
        with pytest.raises(ValueError) as error:
            dev.expect(**{name.replace("-", "_"): {"no such": 1}})
        assert "unknown condition" not in str(error.value), name


@pytest.mark.parametrize("case", CASES, ids=[c["what"] for c in CASES])
def test_language_case(case):
    dev = qd5.Instrument()
    steps = yaml.safe_load(case["steps"])
    if "passes" in case:
        for step in steps:
            play(dev, step)
        return
    expected = case.get("fails") or case["refused"].split(": ", 1)[1]
    with pytest.raises((AssertionError, ValueError)) as error:
        for step in steps:
            play(dev, step)
    assert expected in str(error.value)
