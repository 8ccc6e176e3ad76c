"""A hardware-in-the-loop test to copy: program the demo, set its sine wave's amplitude,
watch the wave for a second and check that it swings that far.

    PYTHONPATH=build/python python3 -m pytest examples/test_demo_target.py

runs it on the POD; QUOBIN_SIMULATE=1 runs it on the emulated POD.
"""
import os
import pathlib

import pytest

import quobin

HERE = pathlib.Path(__file__).resolve().parent
SIMULATE = os.environ.get("QUOBIN_SIMULATE", "0") not in ("", "0")


@pytest.fixture(scope="module")
def pod():
    with quobin.Pod(simulate=SIMULATE) as opened:
        opened.program(str(HERE / "demo.s"), mcu="MC56F8367")
        yield opened


@pytest.mark.parametrize("amplitude", [0.5, 2.5])
def test_sine_wave_swings_as_far_as_its_amplitude(pod, amplitude):
    target = pod.monitor(map=str(HERE / "demo.xMAP"))
    target.write("sineAmplitude:FLOAT", amplitude)
    target.write("sinePeriodMs:UINT16", 500)  # two whole periods in the second watched
    wave = [values["sineWave:FLOAT"]
            for _, values in target.watch(["sineWave:FLOAT"], interval_ms=10, duration_s=1.0)]
    assert len(wave) > 20
    assert (max(wave) - min(wave)) / 2 == pytest.approx(amplitude, rel=0.05)
