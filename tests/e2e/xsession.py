"""A private X desktop for end-to-end tests: Xvfb, the openbox window manager
and a tint2 panel with a system tray, plus the xdotool and ImageMagick calls
a test needs to drive windows and look at them.

Everything started here dies with the test: each child gets SIGKILL from the
kernel when this process ends (PR_SET_PDEATHSIG), so even a harness killed
by a CTest timeout leaves no X server behind, and close() ends them in order
on the normal path.

Waiting is always a poll with a deadline, never a fixed sleep: on a busy
two-core machine a fixed sleep is either too short (flaky) or too long (slow).
"""
import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import subprocess
import time

REQUIRED_TOOLS = ("Xvfb", "openbox", "tint2", "xdotool", "xwininfo", "xprop", "xmessage", "import", "display")

_PR_SET_PDEATHSIG = 1


def missing_tools():
    return [tool for tool in REQUIRED_TOOLS if shutil.which(tool) is None]


def say_skipped_without_tools():
    """True, after saying so, when a tool the session needs is missing: the
    calling test then exits with CTest's skip code instead of failing."""
    missing = missing_tools()
    if missing:
        print("SKIPPED: missing " + ", ".join(missing) + " (scripts/install-deps.sh installs them)")
    return bool(missing)


def _die_with_parent():
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def _selection_owner(display, selection):
    """The window owning an X selection, 0 if none. Asked through Xlib by
    ctypes because no command-line tool in the X utilities reports it."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetSelectionOwner.restype = ctypes.c_ulong
    xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        return 0
    try:
        return xlib.XGetSelectionOwner(connection, xlib.XInternAtom(connection, selection, 0))
    finally:
        xlib.XCloseDisplay(connection)


class Timeout(AssertionError):
    pass


def wait_until(what, probe, timeout=10.0, interval=0.05):
    """Calls probe() until it returns something truthy and returns that;
    raises Timeout naming `what` when the deadline passes."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout:.0f}s waiting for {what}")
        time.sleep(interval)


class Geometry:
    """A window's outer rectangle in root coordinates."""

    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height

    @property
    def right(self):
        return self.x + self.width

    @property
    def bottom(self):
        return self.y + self.height

    def contains(self, x, y):
        return self.x <= x < self.right and self.y <= y < self.bottom

    def __repr__(self):
        return f"{self.width}x{self.height}+{self.x}+{self.y}"


class XSession:
    """One X server with a window manager and a tray host.

    REQUIRES: missing_tools() is empty."""

    def __init__(self, workdir, width=1024, height=768, tint2rc=None):
        # Absolute, because programs refuse a relative XDG_RUNTIME_DIR and
        # each falls back on its own, and then cannot find one another.
        workdir = os.path.abspath(workdir)
        self.workdir = workdir
        self.width, self.height = width, height
        self._children = []
        # The desktop's tools must not read the developer's own settings, nor
        # talk to a session bus: Qt would then put its tray icon on D-Bus
        # instead of into the panel's tray.
        config_home = os.path.join(workdir, "xdg-config")
        os.makedirs(config_home, exist_ok=True)
        self.env = dict(os.environ)
        for name in ("DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                     "QT_QPA_PLATFORM", "SESSION_MANAGER", "XAUTHORITY"):
            self.env.pop(name, None)
        self.env.update(XDG_CONFIG_HOME=config_home, XDG_CACHE_HOME=os.path.join(workdir, "cache"),
                        XDG_RUNTIME_DIR=self._runtime_dir(workdir), LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.display = self._start_xvfb()
        self.env["DISPLAY"] = self.display
        self._start_window_manager()
        self._paint_desktop()
        self._start_panel(tint2rc)

    # --- starting and stopping -------------------------------------------

    @staticmethod
    def _runtime_dir(workdir):
        path = os.path.join(workdir, "runtime")
        os.makedirs(path, mode=0o700, exist_ok=True)
        return path

    def spawn(self, argv, env=None, log_name=None, **kwargs):
        """Starts a program on this display. Its output goes to a log file in
        the work folder, read back when a step fails."""
        log_name = log_name or os.path.basename(argv[0])
        log = open(os.path.join(self.workdir, f"{log_name}.log"), "ab")
        child = subprocess.Popen(argv, env=env or self.env, stdout=log, stderr=subprocess.STDOUT,
                                 stdin=subprocess.DEVNULL, preexec_fn=_die_with_parent, **kwargs)
        log.close()
        self._children.append(child)
        return child

    def _start_xvfb(self):
        # -displayfd lets the server pick a free display and tell us which,
        # so parallel test runs never race for the same number.
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.workdir, "Xvfb.log"), "ab")
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{self.width}x{self.height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=log, stderr=subprocess.STDOUT,
            stdin=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        log.close()
        os.close(write_end)
        self._children.append(server)
        number = b""
        deadline = time.monotonic() + 20
        os.set_blocking(read_end, False)
        while not number.endswith(b"\n"):
            if server.poll() is not None:
                raise RuntimeError(f"Xvfb exited with {server.returncode}; see {self.workdir}/Xvfb.log")
            if time.monotonic() > deadline:
                raise Timeout("timed out waiting for Xvfb to report its display")
            try:
                chunk = os.read(read_end, 16)
                number += chunk
            except BlockingIOError:
                time.sleep(0.02)
        os.close(read_end)
        return ":" + number.decode().strip()

    def _start_window_manager(self):
        self.spawn(["openbox", "--sm-disable"])
        # openbox announces itself through _NET_SUPPORTING_WM_CHECK on the root.
        wait_until("the window manager", lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in
                   self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False))

    def _paint_desktop(self):
        """A calm gradient on the root window, so that screenshots show
        windows against a desktop rather than black. Purely cosmetic:
        ImageMagick's display exits non-zero after setting the root
        background, and a failure here changes nothing a test checks."""
        self.run(["display", "-window", "root", "-size", f"{self.width}x{self.height}",
                  "gradient:#7d9bb8-#3b5670"], check=False)

    def _start_panel(self, tint2rc):
        argv = ["tint2"] + (["-c", tint2rc] if tint2rc else [])
        self.spawn(argv)
        # A tray host owns the selection _NET_SYSTEM_TRAY_S0; until it does,
        # a tray icon would fall back to having no tray.
        wait_until("the system tray", self.tray_host_running, timeout=15)

    def tray_host_running(self):
        """True once some program owns the tray selection of screen 0, which
        is what a tray icon looks for before it docks."""
        return _selection_owner(self.display, b"_NET_SYSTEM_TRAY_S0") != 0

    def close(self):
        for child in reversed(self._children):
            if child.poll() is None:
                child.terminate()
        for child in reversed(self._children):
            try:
                child.wait(timeout=5)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
        self._children.clear()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # --- X queries ---------------------------------------------------------

    def run(self, argv, check=True, timeout=20, env=None):
        done = subprocess.run(argv, env=env or self.env, capture_output=True, text=True,
                              timeout=timeout)
        if check and done.returncode != 0:
            raise RuntimeError(f"{' '.join(argv)} failed ({done.returncode}): {done.stderr.strip()}")
        return done.stdout

    def search(self, *criteria, visible=True):
        """Window ids matching every one of the criteria of an xdotool search,
        e.g. ("--pid", "42", "--name", "^Quillpad$")."""
        argv = ["xdotool", "search", "--all"] + (["--onlyvisible"] if visible else []) + list(criteria)
        return [int(w) for w in self.run(argv, check=False).split()]

    def wait_for_window(self, *criteria, timeout=15, visible=True):
        ids = wait_until(f"a window matching {criteria}", lambda: self.search(*criteria, visible=visible),
                         timeout=timeout)
        return ids[0]

    def wait_for_no_window(self, *criteria, timeout=15):
        wait_until(f"no window matching {criteria}", lambda: not self.search(*criteria), timeout=timeout)

    def work_area(self):
        """The part of the screen the window manager leaves to windows (the
        screen less the panel), from _NET_WORKAREA on the root window."""
        out = self.run(["xprop", "-root", "_NET_WORKAREA"])
        x, y, width, height = (int(v) for v in out.split("=", 1)[1].split(",")[:4])
        return Geometry(x, y, width, height)

    def stacking_order(self):
        """Managed windows from the bottom of the stack to the top, as the
        window manager keeps them in _NET_CLIENT_LIST_STACKING."""
        out = self.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], check=False)
        if "#" not in out:
            return []
        return [int(w.strip(), 16) for w in out.split("#", 1)[1].split(",") if w.strip()]

    def is_above(self, upper, lower):
        order = self.stacking_order()
        return upper in order and lower in order and order.index(upper) > order.index(lower)

    def window_name(self, wid):
        return self.run(["xdotool", "getwindowname", str(wid)], check=False).rstrip("\n")

    def geometry(self, wid):
        """The window's position and size on the screen, read by xwininfo from
        the server itself, so it is what a user sees whatever the program
        believes. For a window inside a frame (decorated windows) this is its
        client area."""
        out = self.run(["xwininfo", "-id", str(wid)])
        value = lambda key: int(re.search(rf"{key}:\s+(-?\d+)", out).group(1))
        return Geometry(value("Absolute upper-left X"), value("Absolute upper-left Y"),
                        value("Width"), value("Height"))

    def is_viewable(self, wid):
        out = self.run(["xwininfo", "-id", str(wid)], check=False)
        return "IsViewable" in out

    # --- input -------------------------------------------------------------

    def click(self, x, y, button=1, repeat=1):
        self.run(["xdotool", "mousemove", str(x), str(y)])
        self.run(["xdotool", "click", "--repeat", str(repeat), "--delay", "80", str(button)])

    def drag(self, from_xy, to_xy, steps=8):
        """Presses the left button at from_xy, moves in steps to to_xy and
        releases there, the way a hand would; programs that follow the mouse
        see every intermediate motion."""
        (x0, y0), (x1, y1) = from_xy, to_xy
        self.run(["xdotool", "mousemove", str(x0), str(y0)])
        self.run(["xdotool", "mousedown", "1"])
        for i in range(1, steps + 1):
            x = x0 + (x1 - x0) * i // steps
            y = y0 + (y1 - y0) * i // steps
            self.run(["xdotool", "mousemove", str(x), str(y)])
            time.sleep(0.03)
        self.run(["xdotool", "mouseup", "1"])

    def type_text(self, text):
        self.run(["xdotool", "type", "--delay", "30", "--", text])

    def key(self, *keys):
        self.run(["xdotool", "key", "--delay", "50"] + list(keys))

    def activate(self, wid):
        self.run(["xdotool", "windowactivate", "--sync", str(wid)], check=False)

    def active_window(self):
        out = self.run(["xdotool", "getactivewindow"], check=False).strip()
        return int(out) if out else None

    # --- pictures ----------------------------------------------------------

    def screenshot(self, path, area=None, margin=0):
        """Saves the screen, or the rectangle `area` (a Geometry) widened by
        margin pixels and clipped to the screen, as a PNG."""
        argv = ["import", "-display", self.display, "-window", "root"]
        if area is not None:
            x = max(0, area.x - margin)
            y = max(0, area.y - margin)
            w = min(self.width, area.right + margin) - x
            h = min(self.height, area.bottom + margin) - y
            argv += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
        self.run(argv + [path])
        return path
