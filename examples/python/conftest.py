"""What the example tests share. The `instrument` fixture itself comes from
qd5's pytest plugin, which pytest loads by itself once qd5 is importable."""
import pytest

# The inputs the shipped scenarios start from: 4.0 bar oil pressure, 100 °C oil
# temperature, 0.0 A and a 13.8 V supply.
NORMAL = dict(ch1=216, ch2=156, ch3=2048, volts=1440)


@pytest.fixture
def running(instrument):
    """The instrument on, its first readings on the run screen."""
    instrument.set(**NORMAL)
    instrument.power_on()
    instrument.wait(1.2)
    return instrument
