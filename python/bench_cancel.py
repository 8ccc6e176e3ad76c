"""How long Ctrl+C takes to end a flash run on the emulated POD's real-time wire, four
PODs attached: quobin-cli from the signal to its exit (every POD's run stopped, reported
and logged), and a script from the signal to its KeyboardInterrupt.
Prints `cancel: quobin-cli <ms>, Python <ms>`; the worst of a few tries each."""
import os
import pathlib
import signal
import subprocess
import sys
import tempfile
import threading
import time

import quobin

ROOT = pathlib.Path(__file__).resolve().parents[1]
CLI = ROOT / "build" / "bin" / "quobin-cli"
DEMO_S = str(ROOT / "examples" / "demo.s")
TRIES = 3
SIM = ["--simulate", "--sim-pods", "4", "--sim-wire", "real"]


def cli_cancel_ms():
    with tempfile.TemporaryDirectory() as folder:
        trace = pathlib.Path(folder) / "run.trace"
        run = subprocess.Popen([str(CLI), *SIM, "--trace", str(trace), "program", DEMO_S,
                                "--all-pods", "--json"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        traces = [pathlib.Path(folder) / f"run-QBSIM00{i}.trace" for i in range(1, 5)]
        # Every POD is writing its flash before the signal goes.
        while not all(t.exists() and t.stat().st_size > 16384 for t in traces):
            if run.poll() is not None:
                sys.exit("quobin-cli ended before the signal")
            time.sleep(0.005)
        sent = time.perf_counter()
        run.send_signal(signal.SIGINT)
        status = run.wait()
        if status != 130:
            sys.exit(f"quobin-cli exited {status} after Ctrl+C, not 130")
        return (time.perf_counter() - sent) * 1000


def python_cancel_ms():
    started = threading.Event()
    sent = []

    def interrupt():
        started.wait()
        sent.append(time.perf_counter())
        os.kill(os.getpid(), signal.SIGINT)

    thread = threading.Thread(target=interrupt)
    thread.start()
    with quobin.Pod(simulate=True, sim={"wire": "real", "pods": 4}, serial="QBSIM003") as pod:
        try:
            pod.program(DEMO_S, progress=lambda position, upper: started.set())
            sys.exit("the run ended before the signal")
        except KeyboardInterrupt:
            caught = time.perf_counter()
    thread.join()
    return (caught - sent[0]) * 1000


cli = max(cli_cancel_ms() for _ in range(TRIES))
script = max(python_cancel_ms() for _ in range(TRIES))
print(f"cancel: quobin-cli {cli:.0f} ms, Python {script:.0f} ms")
