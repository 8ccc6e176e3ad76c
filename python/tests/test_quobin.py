import os
import pathlib
import re
import signal
import subprocess
import threading

import pytest

import quobin
from conftest import DEMO_MAP, DEMO_S, ROOT, TYPED_MAP

# The command line beside the build's module, or the one QUOBIN_CLI names (the module
# installed by pip lives elsewhere).
CLI = pathlib.Path(os.environ.get("QUOBIN_CLI") or
                   pathlib.Path(quobin.__file__).resolve().parents[1] / "bin" / "quobin-cli")


def cli_failure(*args):
    """What quobin-cli prints for the same failure, without its prefix."""
    env = {k: v for k, v in os.environ.items() if k != "QUOBIN_SIMULATE"}
    run = subprocess.run([str(CLI), *args], capture_output=True, text=True, env=env, cwd=ROOT)
    assert run.returncode == 1
    return "\n".join(line.removeprefix("quobin-cli: ") for line in run.stderr.splitlines())


@pytest.mark.parametrize("item, kind", [
    ("counter16", int), ("sineWave:FLOAT", float), ("message", str), ("0x0080:UINT16", int),
])
def test_read_gives_the_view_types_python_type(monitor, item, kind):
    assert type(monitor.read(item)) is kind


@pytest.mark.parametrize("item, value, expected", [
    ("sineAmplitude:FLOAT", 2.5, 2.5),
    ("sineAmplitude:FLOAT", "0.1", 0.1),
    ("triangleStep:INT16", -5, -5),
    ("sinePeriodMs", 0x1F4, 0x1F4),
    ("message", "héllo", "héllo"),
])
def test_written_value_reads_back(monitor, item, value, expected):
    monitor.write(item, value)
    assert monitor.read(item) == expected


@pytest.mark.parametrize("item, value, words", [
    ("triangleStep:INT16", 70000, "70000"),
    ("triangleStep:INT16", 12.5, "not a whole number"),
    ("triangleStep:INT16", "0x12", ""),
    ("sineAmplitude:FLOAT", 1e39, "outside the range of FLOAT"),
    ("counter16", -1, ""),
    ("message", 5, "give a str"),
])
def test_value_that_does_not_fit_is_refused(monitor, item, value, words):
    with pytest.raises(quobin.Error) as raised:
        monitor.write(item, value)
    assert raised.value.message.startswith("cannot write to " + item)
    assert words in raised.value.message


@pytest.mark.parametrize("item, message", [
    ("sineWav", "no symbol 'sineWav' in " + DEMO_MAP + " for MC56F8367; closest: sineWave"),
    ("0x0080:WORD", "unknown view type 'WORD' in 0x0080:WORD"),
    ("0xFFFF00", "0xFFFF00 at 0xFFFF00 lies outside the RAM of MC56F8367"),
])
def test_bad_item_raises_the_command_lines_words(monitor, item, message):
    with pytest.raises(quobin.Error) as raised:
        monitor.read(item)
    assert raised.value.message.startswith(message)


def test_failures_carry_the_command_lines_message():
    with pytest.raises(quobin.Error) as raised, quobin.Pod(simulate=False) as pod:
        pod.version()
    assert raised.value.message == cli_failure("version")
    with pytest.raises(quobin.Error) as raised, quobin.Pod(simulate=True, sim={"no-target": True}) as pod:
        pod.program(DEMO_S)
    assert raised.value.message == cli_failure("--simulate", "--sim-no-target", "program", DEMO_S)


def test_program_reports_words_and_progress(pod):
    seen = []
    result = pod.program(DEMO_S, progress=lambda position, upper: seen.append((position, upper)))
    assert result.ok and result.message.startswith("Success to download and verify FLASH")
    assert result.words["P1FLASH"] > 0
    assert seen and seen[-1][0] == seen[-1][1]


def test_runs_are_recorded_as_the_command_line_records_them(tmp_path):
    import sqlite3
    db = tmp_path / "line.db"
    with quobin.Pod(simulate=True, sim={"fault": "0x26:1:error"}, records=db, station="py-1",
                    operator="ann") as pod:
        with pytest.raises(quobin.Error):
            pod.program(DEMO_S, unit="B-1")
        pod.program(DEMO_S, unit="B-1")
        pod.program(DEMO_S)
    rows = sqlite3.connect(db).execute(
        "SELECT unit_id, station, operator, pod_serial, result, emulated FROM runs "
        "ORDER BY started_utc, rowid").fetchall()
    assert rows == [("B-1", "py-1", "ann", "QBSIM001", "failed", 1),
                    ("B-1", "py-1", "ann", "QBSIM001", "ok", 1),
                    ("", "py-1", "ann", "QBSIM001", "ok", 1)]
    with pytest.raises(quobin.Error, match="no records can be kept: cannot open "):
        quobin.Pod(simulate=True, records=tmp_path / "missing" / "line.db")


def test_watch_yields_count_cycles_in_time_order(monitor):
    cycles = list(monitor.watch(["counter16", "sineWave:FLOAT"], interval_ms=10, count=3))
    assert len(cycles) == 3
    assert [t for t, _ in cycles] == sorted(t for t, _ in cycles)
    assert all(set(values) == {"counter16", "sineWave:FLOAT"} for _, values in cycles)


def test_unplug_during_watch_ends_it_with_the_reason():
    with quobin.Pod(simulate=True, sim={"fault": "0x51:5:unplug"}) as pod:
        watch = pod.monitor(map=DEMO_MAP).watch(["counter16"], interval_ms=10, count=50)
        with pytest.raises(quobin.Error) as raised:
            list(watch)
    assert re.match(r"the watch ended after \d+ cycles: .+", raised.value.message)


def test_closed_pod_refuses_work(pod):
    monitor = pod.monitor(map=DEMO_MAP)
    pod.close()
    with pytest.raises(quobin.Error, match="the POD is closed"):
        monitor.read("counter16")


def test_reads_leave_the_gil_to_other_threads(monitor):
    ticks = []
    stop = threading.Event()
    thread = threading.Thread(target=lambda: [ticks.append(1) for _ in iter(stop.is_set, True)])
    thread.start()
    for _ in range(200):
        monitor.read("counter32")
    stop.set()
    thread.join()
    assert ticks


def test_symbols_untyped_without_an_elf():
    symbols = {s.name: s for s in quobin.symbols(DEMO_MAP)}
    wave = symbols["sineWave"]
    assert (wave.address, wave.size, wave.view, wave.type, wave.children) == (0x84, 2, "HEX32", None, [])


@pytest.mark.parametrize("call, message", [
    (lambda: quobin.Pod(simulate=True, sim={"mcuu": "MC56F8367"}), "unknown emulator option 'mcuu'"),
    (lambda: quobin.Pod(simulate=False, sim={"mcu": "MC56F8367"}), "--sim-"),
    (lambda: quobin.Pod(simulate=True, serial="A1"),
     "no POD with serial number A1 is attached (PODs found: QBSIM001)"),
    (lambda: quobin.Pod(simulate=True).program(DEMO_S, mode="flash"), "mode 'flash'"),
    (lambda: quobin.Pod(simulate=True).program(DEMO_S, regions=["P3FLASH"]), "unknown region"),
    (lambda: quobin.Pod(simulate=True).reset(delay_ms=7), "reset delay 7 ms"),
    (lambda: quobin.Pod(simulate=True).monitor(map=DEMO_MAP, baud=1200), "baud 1200"),
    (lambda: quobin.Pod(simulate=True).monitor(map=DEMO_MAP).watch(["counter16", "counter16"]),
     "counter16 names a variable that is watched already"),
])
def test_refused_arguments_raise_before_the_pod_is_used(call, message):
    with pytest.raises(quobin.Error) as raised:
        call()
    assert message in raised.value.message


def test_progress_callback_that_raises_is_not_swallowed(pod):
    def fail(position, upper):
        raise KeyError("stop")
    with pytest.raises(KeyError):
        pod.program(DEMO_S, progress=fail)


def test_watch_ends_after_its_duration(monitor):
    times = [t for t, _ in monitor.watch(["counter16"], interval_ms=10, duration_s=0.2)]
    assert times and times[-1] < 200


def test_close_ends_a_running_watch(pod):
    watch = pod.monitor(map=DEMO_MAP).watch(["counter16"], interval_ms=10)
    next(watch)
    pod.close()
    assert len(list(watch)) < 5


def test_pod_chosen_by_serial_among_several(tmp_path):
    sim = {"pods": 2}
    assert [d["serial"] for d in quobin.devices(simulate=True, sim=sim)] == ["QBSIM001", "QBSIM002"]
    trace = tmp_path / "pod.trace"
    with quobin.Pod(simulate=True, sim=sim, serial="QBSIM002", trace=str(trace)) as pod:
        assert pod.version().startswith("POD Version")
    assert 'open serial "QBSIM002"' in trace.read_text()


def test_reset_and_devices_on_the_emulator(pod):
    pod.reset(polarity="high", delay_ms=10)
    assert [d["pod"] for d in quobin.devices(simulate=True)] == [True]


def test_an_elf_that_cannot_be_used_is_said(tmp_path):
    missing = str(tmp_path / "demo.elf")
    with pytest.warns(UserWarning, match=re.escape(missing) + ": .*; types from the map only"):
        assert quobin.symbols(DEMO_MAP, elf=missing)[0].type is None


def test_symbols_typed_by_the_elf_open_to_members():
    motor = {s.name: s for s in quobin.symbols(TYPED_MAP)}["motor"]
    assert motor.type == "struct tagMOTOR"
    assert [(c.name, c.address, c.size, c.view, c.type) for c in motor.children[:2]] == [
        ("motor.speed", 0x140, 2, "FLOAT", "float"), ("motor.gain", 0x142, 1, "FRAC16", "Frac16")]
    assert motor.children[0].children == []


def test_members_bit_fields_and_fractions_by_their_c_types(pod):
    typed = pod.monitor(map=TYPED_MAP)
    typed.write("motor.gain", 0.5)
    assert typed.read("motor.gain") == 0.5
    typed.write("0x0143:UINT16", 0xFFFF)
    assert (typed.read("motor.MODE"), typed.read("motor.RUN")) == (7, 1)
    _, values = next(iter(typed.watch(["motor.MODE", "motor.gain"], count=1)))
    assert values == {"motor.MODE": 7, "motor.gain": 0.5}
    typed.write("motor.MODE", 2)  # within its word: RUN beside it stays
    assert (typed.read("motor.MODE"), typed.read("motor.RUN")) == (2, 1)
    with pytest.raises(quobin.ValueRefused, match=r"\(bits 2\.\.0 of 0x000143\): 8 is outside 0 to 7"):
        typed.write("motor.MODE", 8)
    typed.write("mode", "MODE_STOP")
    assert typed.read("mode") == 0


def test_ctrl_c_during_program_stops_it_and_carries_the_partial_result():
    started = threading.Event()

    def interrupt_once_started():
        started.wait(10)
        os.kill(os.getpid(), signal.SIGINT)

    thread = threading.Thread(target=interrupt_once_started)
    thread.start()
    try:
        with quobin.Pod(simulate=True, sim={"wire": "real"}) as pod:
            with pytest.raises(KeyboardInterrupt) as raised:
                pod.program(DEMO_S, progress=lambda position, upper: started.set())
    finally:
        thread.join()
    result = raised.value.result
    assert result.interrupted and not result.ok
    assert 0 < sum(result.words.values()) < 16384 + 64 + 768


def test_progress_callbacks_run_on_the_calling_thread(pod):
    threads = set()
    pod.program(DEMO_S, progress=lambda position, upper: threads.add(threading.get_ident()))
    assert threads == {threading.get_ident()}


def test_callback_that_raises_stops_the_run_with_its_result():
    def stop(position, upper):
        raise RuntimeError("enough")
    # On the real-time wire: the callbacks run on this thread, after the worker's moves,
    # and on the instant wire the whole run may be over before the first of them.
    with quobin.Pod(simulate=True, sim={"wire": "real"}) as pod:
        with pytest.raises(RuntimeError) as raised:
            pod.program(DEMO_S, progress=stop)
    assert raised.value.result.interrupted


def test_close_inside_a_callback_raises_instead_of_waiting_for_itself(pod):
    def close(position, upper):
        pod.close()
    with pytest.raises(quobin.Error, match=r"close\(\) cannot be called from inside program\(\)"):
        pod.program(DEMO_S, progress=close)
    pod.close()


def test_pod_work_from_inside_a_callback_says_the_pod_is_busy():
    with quobin.Pod(simulate=True, sim={"wire": "real"}) as pod:
        def ask_version(position, upper):
            pod.version()
        with pytest.raises(quobin.Error, match="Another operation is running on this POD"):
            pod.program(DEMO_S, progress=ask_version)


def test_after_close_the_command_line_uses_the_same_state_at_once(tmp_path):
    state = str(tmp_path / "state")
    with quobin.Pod(simulate=True, sim={"pods": 2, "state": state}, serial="QBSIM002") as pod:
        pod.program(DEMO_S)
    run = subprocess.run([str(CLI), "--simulate", "--sim-pods", "2", "--sim-state", state,
                          "--serial", "QBSIM002", "program", "--verify", DEMO_S],
                         capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, run.stderr
    # Both PODs were saved: the second's verify passed above, the first loads cleanly.
    assert (tmp_path / "state" / "QBSIM001").is_dir()


@pytest.mark.parametrize("sim, call, error, code", [
    ({"no-target": True}, lambda pod: pod.reset(), quobin.NoTarget, 7),
    ({"fault": "0x01:1:silent"}, lambda pod: pod.version(), quobin.NoAnswer, None),
    ({"fault": "0x01:1:unplug"}, lambda pod: pod.version(), quobin.LinkLost, None),
    ({"fault": "0x01:1:error"}, lambda pod: pod.version(), quobin.ErrorReply, 0x3E),
    ({}, lambda pod: pod.monitor(map=DEMO_MAP).write("counter16", "0x12345"), quobin.ValueRefused, None),
    ({}, lambda pod: pod.monitor(map=DEMO_MAP).read("no_such_symbol"), quobin.UsageError, None),
    ({}, lambda pod: pod.reset(polarity="sideways"), quobin.UsageError, None),
])
def test_failures_raise_the_class_of_their_kind(sim, call, error, code):
    with quobin.Pod(simulate=True, sim=sim) as pod:
        with pytest.raises(error) as raised:
            call(pod)
    assert isinstance(raised.value, quobin.Error)
    assert raised.value.code == code


@pytest.mark.parametrize("item, value, named", [
    ("sinePeriodMs:UINT16", 2**70, "'1180591620717411303424'"),
    ("triangleStep:HEX16", 2**70, "'0x400000000000000000'"),
    ("sinePeriodMs:UINT16", 1e30, "'1000000000000000019884624838656'"),
])
def test_a_number_out_of_range_is_named_as_given(monitor, item, value, named):
    with pytest.raises(quobin.ValueRefused, match=re.escape(named)):
        monitor.write(item, value)


def test_usage_and_value_errors_are_value_errors_too():
    assert issubclass(quobin.UsageError, ValueError) and issubclass(quobin.ValueRefused, ValueError)
    assert issubclass(quobin.NoTarget, quobin.ErrorReply)


def test_paths_may_be_pathlib_paths(tmp_path):
    symbols = quobin.symbols(pathlib.Path(DEMO_MAP))
    assert symbols
    with quobin.Pod(simulate=True, trace=tmp_path / "pod.trace") as pod:
        assert pod.program(pathlib.Path(DEMO_S)).ok
        assert pod.monitor(map=pathlib.Path(DEMO_MAP)).read("counter16") is not None
    assert (tmp_path / "pod.trace").stat().st_size > 0


# The limits themselves are the core's (WatchLimitsTest); here, that a script meets them.
@pytest.mark.parametrize("limits, message", [
    ({"count": -3}, "count -3: use 1 or more"),
    ({"duration_s": float("nan")}, "duration_s nan"),
])
def test_watch_limits_that_never_end_or_never_start_are_refused(monitor, limits, message):
    with pytest.raises(quobin.UsageError, match=re.escape(message)):
        monitor.watch(["counter16"], **limits)


def test_record_gives_every_loop_period_at_its_time(pod):
    monitor = pod.monitor(map=TYPED_MAP)
    capture = monitor.record(["loopCount", "current"], samples=50, pretrigger=5, trigger="triangle",
                             level=300, divider=2)
    assert capture["trigger_sample"] == 5
    assert capture["period_s"] == pytest.approx(200e-6)
    assert capture["times_s"][5] == 0 and capture["times_s"][0] == pytest.approx(-1e-3)
    loops = capture["values"]["loopCount"]
    assert [b - a for a, b in zip(loops, loops[1:])] == [2] * 49
    assert capture["values"]["triangle"][4] < 300 <= capture["values"]["triangle"][5]


@pytest.mark.parametrize("kwargs, words", [
    ({"items": ["message"]}, "message is a text"),
    ({"items": ["triangle"], "edge": "up", "trigger": "triangle"}, 'not "up"'),
    ({"items": ["triangle"], "samples": 0}, "samples is 1 to 65535"),
    ({"items": ["triangle"], "samples": 4, "pretrigger": 4}, "leaves no sample of the 4"),
])
def test_record_refuses_with_the_reason(pod, kwargs, words):
    with pytest.raises(quobin.UsageError) as raised:
        pod.monitor(map=TYPED_MAP).record(**kwargs)
    assert words in raised.value.message


def test_record_without_a_recorder_says_so(monitor):
    with pytest.raises(quobin.Error, match="no recorder in the map"):
        monitor.record(["counter16"])


def test_ctrl_c_during_record_stops_the_recorder(pod):
    monitor = pod.monitor(map=TYPED_MAP)

    def interrupt_soon():
        # The capture waits for a trigger that never comes; the signal reaches it there.
        os.kill(os.getpid(), signal.SIGINT)

    timer = threading.Timer(0.3, interrupt_soon)
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            monitor.record(["triangle"], trigger="triangle", level=5000, interval_ms=10)
    finally:
        timer.cancel()
    assert monitor.read("quobinRecorder.header.state") == 0
