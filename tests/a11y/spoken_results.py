"""Listens on the AT-SPI bus as a screen reader does while Quobin programs the emulated
POD, and requires every result to be spoken.

Starts the window on the emulator with the first flash write failing, presses "Target
Write & Verify" twice and "Get Firmware Version" through AT-SPI actions (as a user of a
screen reader or a switch would), and keeps what a screen reader following Orca's rules
would speak: a notification when it appears (its name, asked for when the event is
handled), an announcement's text, and name changes of the focused object only.
"""
import os
import pathlib
import subprocess
import sys
import tempfile

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parents[2]
STEP_SECONDS = 30

spoken = []


def on_event(event):
    source = event.source
    try:
        role = source.get_role()
        if event.type.startswith("object:state-changed:showing"):
            if event.detail1 == 1 and role in (Atspi.Role.NOTIFICATION, Atspi.Role.ALERT):
                spoken.append(source.get_name())
        elif event.type.startswith("object:announcement"):
            spoken.append(str(event.any_data))
        elif event.type.startswith("object:property-change:accessible-name"):
            if source.get_state_set().contains(Atspi.StateType.FOCUSED):
                spoken.append(source.get_name())
    except GLib.Error:
        pass  # the object went away before the event was handled


def find(node, predicate, depth=0):
    if node is None or depth > 40:
        return None
    try:
        if predicate(node):
            return node
        for i in range(node.get_child_count()):
            found = find(node.get_child_at_index(i), predicate, depth + 1)
            if found is not None:
                return found
    except GLib.Error:
        return None
    return None


def wait_for(condition, seconds=STEP_SECONDS):
    """Runs the event loop until condition() holds; False after `seconds`."""
    loop = GLib.MainLoop()
    result = {"ok": False}

    def poll():
        if condition():
            result["ok"] = True
            loop.quit()
            return False
        return True

    GLib.timeout_add(50, poll)
    GLib.timeout_add_seconds(seconds, loop.quit)
    loop.run()
    return result["ok"]


def button(app, *words):
    def matches(node):
        return node.get_role() == Atspi.Role.PUSH_BUTTON and all(
            w in node.get_name() for w in words)
    return find(app, matches)


def main(binary):
    with tempfile.TemporaryDirectory(prefix="quobin-a11y-") as config:
        return run_window(binary, config)


def run_window(binary, config):
    settings = pathlib.Path(config, "Ulmvero")
    settings.mkdir()
    settings.joinpath("Quobin.conf").write_text(
        "[Main]\nFile Path=%s\n" % (ROOT / "examples" / "demo.s"))
    env = dict(os.environ, XDG_CONFIG_HOME=config, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1")
    listener = Atspi.EventListener.new(on_event)
    for kind in ("object:state-changed:showing", "object:announcement",
                 "object:property-change:accessible-name"):
        listener.register(kind)
    window = subprocess.Popen([binary, "--simulate", "--sim-fault", "0x26:1:error"], env=env)
    try:
        desktop = Atspi.get_desktop(0)
        app = {}

        def started():
            app["node"] = find(desktop, lambda n: n.get_role() == Atspi.Role.APPLICATION
                               and n.get_name() in ("quobin", "Quobin"))
            return app["node"] is not None and button(app["node"], "Target", "Write",
                                                       "Verify") is not None
        if not wait_for(started):
            return "the window never appeared on the AT-SPI bus"

        steps = [
            (("Target", "Write", "Verify"), "Failed to download DFLASH to the MCU"),
            (("Target", "Write", "Verify"), "Success to download and verify FLASH to the MCU ("),
            (("Get Firmware Version",), "POD Version V"),
        ]
        for words, expected in steps:
            target = button(app["node"], *words)
            if target is None:
                return "no button named %s" % " ".join(words)
            target.do_action(0)
            if not wait_for(lambda: any(expected in text for text in spoken)):
                return "never spoken: %r; spoken: %r" % (expected, spoken)
        # The progress is what tells how a run goes; each region's status would flood.
        chatter = [text for text in spoken if text.endswith("Download & Verify")]
        return "intermediate statuses spoken: %r" % chatter if chatter else None
    finally:
        window.terminate()
        try:
            window.wait(10)
        except subprocess.TimeoutExpired:
            window.kill()
        listener.deregister("object:state-changed:showing")


if __name__ == "__main__":
    failure = main(sys.argv[1])
    print("spoken:", *spoken, sep="\n  ")
    if failure:
        print("FAIL:", failure)
        sys.exit(1)
    print("every result was spoken")
