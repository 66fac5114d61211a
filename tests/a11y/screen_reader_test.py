#!/usr/bin/python3
"""The program as a screen reader sees it, through the real accessibility bus.

Starts Xvfb, a private D-Bus session bus and the AT-SPI bus, then the program in a fresh folder,
and through pyatspi alone: answers the first-run language dialog (Italian), opens part window 1
from the View menu, reads its keyboard (61 keys named by their notes), plays a key by its press
action and reads the Note On and Note Off from the capture file, latches a key in Hold Note mode
and reads its checked state, chooses English in the menu, answers the message, quits from the
menu and starts the program again, where the names are English.

Usage: screen_reader_test.py PROGRAM SOURCE_DIR. Exits 77 where Xvfb, the buses or pyatspi
cannot start; 1 on a failure.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
X_TAB, X_RIGHT, X_SPACE = 23, 114, 65  # X key codes (evdev)


def skip(why):
    print("SKIP:", why)
    sys.exit(SKIP)


def fail(why):
    print("FAIL:", why)
    sys.exit(1)


def wait_for(what, check, timeout=20.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = check()
        if value:
            return value
        pump_events()
        time.sleep(0.05)
    fail("timed out waiting for " + what)


def pump_events():
    """Delivers the accessibility events that have come in to their listeners."""
    if "gi.repository.GLib" in sys.modules:
        context = sys.modules["gi.repository.GLib"].MainContext.default()
        while context.iteration(False):
            pass


class Session:
    """Xvfb, the session bus and the AT-SPI bus, each stopped at the end."""

    def __init__(self, root):
        self.procs = []
        self.env = dict(os.environ)
        for tool in ("Xvfb", "dbus-daemon"):
            if shutil.which(tool) is None:
                skip(tool + " is not installed")
        launcher = "/usr/libexec/at-spi-bus-launcher"
        if not os.access(launcher, os.X_OK):
            skip("at-spi-bus-launcher is not installed (at-spi2-core)")
        xvfb = self.start(["Xvfb", "-displayfd", "1", "-screen", "0", "1400x1000x24",
                           "-nolisten", "tcp"], stdout=subprocess.PIPE)
        display = xvfb.stdout.readline().decode().strip()
        if not display:
            skip("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            skip("the D-Bus session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        for name in ("HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_DATA_HOME"):
            path = os.path.join(root, name.lower())
            os.makedirs(path, mode=0o700)
            self.env[name] = path
        self.env.pop("AT_SPI_BUS_ADDRESS", None)
        self.start([launcher, "--launch-immediately"])
        ok = wait_for_bus(self.env)
        if not ok:
            skip("the AT-SPI bus did not start")
        os.environ.update(self.env)

    def start(self, argv, **kw):
        kw.setdefault("env", self.env)
        kw.setdefault("stderr", subprocess.DEVNULL)
        p = subprocess.Popen(argv, **kw)
        self.procs.append(p)
        return p

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()


def wait_for_bus(env):
    end = time.monotonic() + 15
    while time.monotonic() < end:
        r = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"], env=env,
                           capture_output=True, text=True)
        if r.returncode == 0 and "unix:" in r.stdout:
            return True
        time.sleep(0.2)
    return False


def main():
    if len(sys.argv) != 3:
        fail("usage: screen_reader_test.py PROGRAM SOURCE_DIR")
    program, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    root = tempfile.mkdtemp(prefix="quintaro-a11y-")
    session = Session(root)
    try:
        run_scenario(session, program, source, root)
    finally:
        session.stop()
        shutil.rmtree(root, ignore_errors=True)
    print("PASS")


def run_scenario(session, program, source, root):
    try:
        import pyatspi
    except ImportError as e:
        skip("pyatspi cannot be imported: %s (install python3-pyatspi)" % e)

    folder = os.path.join(root, "program")
    os.makedirs(folder)
    shutil.copy(os.path.join(source, "data", "QuintaroProgGM.txt"), folder)
    capture = os.path.join(root, "capture.txt")
    env = dict(session.env, QUINTARO_MIDI_OUT="capture:" + capture, QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    R = pyatspi

    def launch():
        return session.start([program], cwd=folder, env=env, stderr=None)  # stopped with it

    def application(proc):
        def found():
            if proc.poll() is not None:
                fail("the program ended with %d" % proc.returncode)
            desktop = R.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.get_process_id() == proc.pid:
                    return app
            return None
        return wait_for("the program on the accessibility bus", found)

    def find(root_acc, role, name, what=None):
        def look():
            return R.findDescendant(root_acc, lambda a: a is not None and a.getRole() == role
                                    and a.name == name)
        return wait_for(what or "%s %r" % (role, name), look)

    def act(acc, action="Press", background=False):
        a = acc.queryAction()
        names = [a.getName(i) for i in range(a.nActions)]
        index = next((i for i, n in enumerate(names) if n.lower() == action.lower()), None)
        if index is None:
            fail("%r offers no %s action (it has %s)" % (acc.name, action, names))
        if background:
            # An action that opens a modal box answers only when the box closes, and one that
            # closes the program gets no answer at all.
            def call():
                try:
                    a.doAction(index)
                except Exception:
                    pass
            threading.Thread(target=call, daemon=True).start()
        else:
            a.doAction(index)

    def captured():
        try:
            with open(capture) as f:
                return [line.strip() for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def keyboard_of(app, name):
        lst = find(app, R.ROLE_LIST, name, "the keyboard list %r" % name)
        keys = [lst.getChildAtIndex(i) for i in range(lst.childCount)]
        keys = [k for k in keys if k.getRole() in (R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON)]
        if len(keys) != 61:
            fail("the keyboard has %d keys, not 61" % len(keys))
        return keys

    def expect_names(keys, expected):
        for index, name in expected.items():
            if keys[index].name != name:
                fail("key %d is named %r, not %r" % (index, keys[index].name, name))

    def expect_sent(before, lines, what):
        got = wait_for(what, lambda: captured()[before:] if len(captured()) >= before + len(lines)
                       else None)
        if got != lines:
            fail("%s sent %s, not %s" % (what, got, lines))

    # What the program announces: (kind, the name of the object, the event's detail).
    events = []

    def heard(event):
        kind = {"focus:": "focus", "object:state-changed:checked": "checked",
                "object:property-change:accessible-name": "name"}.get(event.type)
        if kind:
            events.append((kind, event.source.name if event.source else "", event.detail1))
    R.Registry.registerEventListener(heard, "focus:", "object:state-changed:checked",
                                     "object:property-change:accessible-name")

    # First run: the language dialog, answered in Italian.
    proc = launch()
    app = application(proc)
    act(find(app, R.ROLE_RADIO_BUTTON, "Italiano"), "Toggle")
    act(find(app, R.ROLE_PUSH_BUTTON, "OK"), "Press")
    act(find(app, R.ROLE_MENU_ITEM, "Part 1"))
    keys = keyboard_of(app, "Tastiera")
    # Key shift 2 on a first run: the keys run from C2 to C7, named as the octave labels read.
    expect_names(keys, {0: "Do 2", 24: "Do 4", 25: "Do# 4", 35: "Si 4", 60: "Do 7"})
    print("Italian names:", [keys[i].name for i in (0, 1, 24, 60)])

    # The press action plays key 24 as a click does: Note On and Note Off of note 60 on channel 1,
    # with the part's velocities (80 and 64 on a first run).
    before = len(captured())
    act(keys[24])
    expect_sent(before, ["90 3c 50", "80 3c 40"], "the press action")
    print("press action sent:", captured()[before:])

    # Without a mouse: once the window is in front (a click on its background: Xvfb has no
    # window manager to bring it there), Tab reaches the keyboard, which says which key has the
    # focus; Right moves it to key 25 and Space plays that key.
    frame = keys[0].parent.queryComponent().getExtents(R.DESKTOP_COORDS)
    R.Registry.generateMouseEvent(frame.x + 488, frame.y - 17, "b1c")
    for _ in range(40):
        heard_before = len(events)
        R.Registry.generateKeyboardEvent(X_TAB, None, R.KEY_PRESSRELEASE)
        wait_for("the focus to move", lambda: any(e[0] == "focus" for e in events[heard_before:]))
        time.sleep(0.2)  # the keyboard names its key just after the frame's own event
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

    # Hold Note: a press latches, and the key says so, at once and when asked; a second press
    # releases it.
    act(find(app, R.ROLE_CHECK_BOX, "Hold Note"), "Toggle")
    wait_for("Hold Note checked", lambda: find(app, R.ROLE_CHECK_BOX, "Hold Note")
             .getState().contains(R.STATE_CHECKED))
    before = len(captured())
    act(keys[26])
    expect_sent(before, ["90 3e 50"], "latching key 26")
    wait_for("key 26 announced checked", lambda: ("checked", "Re 4", 1) in events)
    if not keys[26].getState().contains(R.STATE_CHECKED):
        fail("key 26 is latched and not checked")
    act(keys[26])
    expect_sent(before, ["90 3e 50", "80 3e 40"], "releasing key 26")
    wait_for("key 26 announced unchecked", lambda: ("checked", "Re 4", 0) in events)

    # The key shift moved one octave up: the names follow, and are announced.
    shift = find(app, R.ROLE_SCROLL_BAR, "Key Shift").queryValue()
    del events[:]
    shift.currentValue = 3
    wait_for("the new names", lambda: ("name", "Do 5", 0) in events)
    expect_names(keys, {0: "Do 3", 24: "Do 5", 60: "Do 8"})
    shift.currentValue = 2

    # English from the menu: the program says it takes effect at the next start.
    act(find(app, R.ROLE_MENU_ITEM, "Inglese"), background=True)
    act(find(app, R.ROLE_PUSH_BUTTON, "OK", "the message box's OK"))
    act(find(app, R.ROLE_MENU_ITEM, "Esci"), background=True)
    try:
        proc.wait(20)
    except subprocess.TimeoutExpired:
        proc.send_signal(signal.SIGKILL)
        fail("the program did not end from its Exit item")

    # The next start speaks English, with part window 1 open again.
    proc = launch()
    try:
        app = application(proc)
        keys = keyboard_of(app, "Keyboard")
        expect_names(keys, {0: "C2", 24: "C4", 25: "C#4", 35: "B4", 60: "C7"})
        print("English names:", [keys[i].name for i in (0, 1, 24, 60)])
    finally:
        proc.terminate()
        proc.wait(20)


if __name__ == "__main__":
    main()
