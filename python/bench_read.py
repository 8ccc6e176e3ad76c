"""The cost of a read from Python against the core's own read, on the emulated POD's
instant wire, both in this run: `python read: <us> us per read, <ratio> x the C++ read`."""
import pathlib
import time

import quobin

READS = 1000
ROUNDS = 40
ITEM = "sineWave:FLOAT"
DEMO_MAP = str(pathlib.Path(__file__).resolve().parents[1] / "examples" / "demo.xMAP")

with quobin.Pod(simulate=True, sim={"wire": "instant"}) as pod:
    monitor = pod.monitor(map=DEMO_MAP)
    monitor.read(ITEM)  # opens the POD and resolves the item once, as a script's loop would
    # Short rounds, taken in turns, and the best of each: the machine's other load (builds
    # on a shared machine) then weighs on both alike.
    best_py = best_cpp = float("inf")
    for _ in range(ROUNDS):
        start = time.perf_counter()
        for _ in range(READS):
            monitor.read(ITEM)
        best_py = min(best_py, (time.perf_counter() - start) * 1e6 / READS)
        best_cpp = min(best_cpp, monitor._core_read_us(ITEM, READS))
    print(f"python read: {best_py:.2f} us per read, {best_py / best_cpp:.2f} x the C++ read")
