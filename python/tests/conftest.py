import os
import pathlib

import pytest

import quobin

ROOT = pathlib.Path(__file__).resolve().parents[2]
DEMO_MAP = str(ROOT / "examples" / "demo.xMAP")
TYPED_MAP = str(ROOT / "examples" / "demo.elf.xMAP")
DEMO_S = str(ROOT / "examples" / "demo.s")


@pytest.fixture
def pod():
    with quobin.Pod(simulate=True) as opened:
        yield opened


@pytest.fixture
def monitor(pod):
    return pod.monitor(map=DEMO_MAP)
