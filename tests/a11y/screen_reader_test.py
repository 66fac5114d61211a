#!/usr/bin/python3
"""The program as a screen reader sees it, over a private accessibility bus under Xvfb.

Through pyatspi alone: answers the first-run language dialog (Italian), opens part window 1 from
the View menu, reads its 61 keys by name, plays one by its press action, one by Tab, Right and
Space, latches one in Hold Note mode, moves the key shift, hears the events of each, chooses
English in the menu, quits, and finds the names English at the next start. Every note is read
back from the capture port's file.

Usage: screen_reader_test.py PROGRAM SOURCE_DIR. Exits 77 where Xvfb, the buses or pyatspi
cannot start.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

X_TAB, X_RIGHT, X_SPACE = 23, 114, 65  # X key codes (evdev)
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def skip(why):
    print("SKIP:", why)
    sys.exit(77)


def fail(why):
    print("FAIL:", why)
    sys.exit(1)


def pump_events():
    """Hands the accessibility events that came in to their listener."""
    if "gi.repository.GLib" in sys.modules:
        while sys.modules["gi.repository.GLib"].MainContext.default().iteration(False):
            pass


def wait_for(what, check, timeout=20.0, otherwise=fail):
    print("waiting for " + what, file=sys.stderr, flush=True)  # the last step, if a call hangs
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = check()
        if value:
            return value
        pump_events()
        time.sleep(0.05)
    otherwise("timed out waiting for " + what)


def main():
    program, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    root = tempfile.mkdtemp(prefix="quintaro-a11y-")
    procs = []
    env = dict(os.environ)

    def start(argv, **kw):
        kw.setdefault("stderr", subprocess.DEVNULL)
        procs.append(subprocess.Popen(argv, env=kw.pop("env", env), **kw))
        return procs[-1]

    try:
        for tool in ("Xvfb", "dbus-daemon", LAUNCHER):
            if shutil.which(tool) is None:
                skip(tool + " is not installed (xvfb, dbus, at-spi2-core)")
        xvfb = start(["Xvfb", "-displayfd", "1", "-screen", "0", "1400x1000x24", "-nolisten",
                      "tcp"], stdout=subprocess.PIPE)
        env["DISPLAY"] = ":" + (xvfb.stdout.readline().decode().strip() or skip("no Xvfb"))
        bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                    stdout=subprocess.PIPE)
        env["DBUS_SESSION_BUS_ADDRESS"] = (bus.stdout.readline().decode().strip() or
                                           skip("the session bus did not start"))
        for name in ("HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_DATA_HOME"):
            env[name] = os.path.join(root, name.lower())
            os.makedirs(env[name], mode=0o700)
        env.pop("AT_SPI_BUS_ADDRESS", None)
        start([LAUNCHER, "--launch-immediately"])
        wait_for("the AT-SPI bus", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], env=env, capture_output=True).returncode == 0,
            15, skip)
        os.environ.update(env)
        try:
            import pyatspi
        except ImportError as e:
            skip("pyatspi cannot be imported (python3-pyatspi): %s" % e)
        play(pyatspi, start, env, program, source, root)
    finally:
        for p in reversed(procs):
            p.terminate()
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(root, ignore_errors=True)
    print("PASS")


def play(R, start, env, program, source, root):
    folder = os.path.join(root, "program")
    os.makedirs(folder)
    shutil.copy(os.path.join(source, "data", "QuintaroProgGM.txt"), folder)
    capture = os.path.join(root, "capture.txt")
    env = dict(env, QUINTARO_MIDI_OUT="capture:" + capture, QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")

    def launch():
        proc = start([program], cwd=folder, env=env, stderr=None)

        def found():
            if proc.poll() is not None:
                fail("the program ended with %d" % proc.returncode)
            desktop = R.Registry.getDesktop(0)
            apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
            return next((a for a in apps if a and a.get_process_id() == proc.pid), None)
        return proc, wait_for("the program on the accessibility bus", found)

    def find(role, name):
        return wait_for("%s %r" % (role, name), lambda: R.findDescendant(
            app, lambda a: a is not None and a.getRole() == role and a.name == name))

    def act(acc, action="Press", background=False):
        a = acc.queryAction()
        names = [a.getName(i).lower() for i in range(a.nActions)]
        if action.lower() not in names:
            fail("%r offers no %s action (only %s)" % (acc.name, action, names))
        index = names.index(action.lower())
        if not background:
            return a.doAction(index)
        def call():
            try:
                a.doAction(index)
            except Exception:  # no answer: a modal box is open, or the program has ended
                pass
        threading.Thread(target=call, daemon=True).start()

    def captured():
        return open(capture).read().split("\n")[:-1] if os.path.exists(capture) else []

    def keyboard(name):
        keys = find(R.ROLE_LIST, name)
        keys = [keys.getChildAtIndex(i) for i in range(keys.childCount)]
        keys = [k for k in keys if k.getRole() in (R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON)]
        if len(keys) != 61:
            fail("the keyboard has %d keys, not 61" % len(keys))
        return keys

    def expect_names(keys, expected):
        got = {k: keys[k].name for k in expected}
        if got != expected:
            fail("the keys are named %s, not %s" % (got, expected))

    def expect_sent(before, lines, what):
        got = wait_for(what, lambda: len(captured()) >= before + len(lines) and captured()[before:])
        if got != lines:
            fail("%s sent %s, not %s" % (what, got, lines))

    # What the program announces: (kind, the object's name, the event's detail).
    events = []
    kinds = {"focus:": "focus", "object:state-changed:checked": "checked",
             "object:property-change:accessible-name": "name"}
    R.Registry.registerEventListener(
        lambda e: events.append((kinds[e.type], e.source.name, e.detail1)) if e.type in kinds
        else None, *kinds)

    # First run: the language dialog, answered in Italian; key shift 2, part 1 on channel 1
    # with velocities 80 and 64.
    proc, app = launch()
    act(find(R.ROLE_RADIO_BUTTON, "Italiano"), "Toggle")
    act(find(R.ROLE_PUSH_BUTTON, "OK"))
    act(find(R.ROLE_MENU_ITEM, "Part 1"))
    keys = keyboard("Tastiera")
    expect_names(keys, {0: "Do 2", 24: "Do 4", 25: "Do# 4", 35: "Si 4", 60: "Do 7"})
    before = len(captured())
    act(keys[24])
    expect_sent(before, ["90 3c 50", "80 3c 40"], "the press action")

    # Without a mouse. Xvfb has no window manager to bring the window to the front: a click on
    # its background does. Tab then reaches the keyboard, which names its focused key; Right
    # moves the focus to key 25 and Space plays it.
    frame = keys[0].parent.queryComponent().getExtents(R.DESKTOP_COORDS)
    R.Registry.generateMouseEvent(frame.x + 488, frame.y - 17, "b1c")
    for _ in range(40):
        heard = len(events)
        R.Registry.generateKeyboardEvent(X_TAB, None, R.KEY_PRESSRELEASE)
        wait_for("the focus to move", lambda: any(e[0] == "focus" for e in events[heard:]))
        time.sleep(0.2)  # the key is named just after the frame's own focus event
        pump_events()
        if events[-1][:2] == ("focus", "Do 4"):
            break
    else:
        fail("Tab never gave the focus to a key: %s" % [e for e in events if e[0] == "focus"])
    before = len(captured())
    for keycode in (X_RIGHT, X_SPACE):
        R.Registry.generateKeyboardEvent(keycode, None, R.KEY_PRESSRELEASE)
    wait_for("the focus on Do# 4", lambda: events[-1][:2] == ("focus", "Do# 4"))
    expect_sent(before, ["90 3d 50", "80 3d 40"], "Right and Space")

    # Hold Note: a press latches the key, which is checked and says so; a second one releases.
    act(find(R.ROLE_CHECK_BOX, "Hold Note"), "Toggle")
    wait_for("Hold Note", lambda: find(R.ROLE_CHECK_BOX, "Hold Note").getState().contains(
        R.STATE_CHECKED))
    before = len(captured())
    act(keys[26])
    expect_sent(before, ["90 3e 50"], "latching key 26")
    wait_for("key 26 announced checked", lambda: ("checked", "Re 4", 1) in events)
    if not keys[26].getState().contains(R.STATE_CHECKED):
        fail("key 26 is latched and not checked")
    act(keys[26])
    expect_sent(before, ["90 3e 50", "80 3e 40"], "releasing key 26")
    wait_for("key 26 announced unchecked", lambda: ("checked", "Re 4", 0) in events)

    # The key shift an octave up: the new names are announced.
    shift = find(R.ROLE_SCROLL_BAR, "Key Shift").queryValue()
    shift.currentValue = 3
    wait_for("the new names", lambda: ("name", "Do 5", 0) in events)
    expect_names(keys, {0: "Do 3", 24: "Do 5", 60: "Do 8"})
    shift.currentValue = 2

    # English from the menu: the program says it takes effect at the next start, then quits.
    act(find(R.ROLE_MENU_ITEM, "Inglese"), background=True)
    act(find(R.ROLE_PUSH_BUTTON, "OK"))
    act(find(R.ROLE_MENU_ITEM, "Esci"), background=True)
    wait_for("the program to end", lambda: proc.poll() is not None)

    # The next start speaks English, with part window 1 open again.
    proc, app = launch()
    expect_names(keyboard("Keyboard"), {0: "C2", 24: "C4", 25: "C#4", 35: "B4", 60: "C7"})


if __name__ == "__main__":
    main()
