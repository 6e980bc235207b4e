"""Quillpad as the end-to-end test sees it: a process started with its
program folder, its tray icon in the panel, and note windows found by their
titles, with the places on a note a user clicks."""
import os
import subprocess
import time

from xsession import Geometry, Timeout, wait_until

NOTE_TITLE = "^Quillpad note:"
NO_TRAY_TITLE = "^Quillpad$"

# Places on a note window, from its top-left corner and its width: the
# caption strip is 15 pixels high; the collapse (or expand) and hide
# buttons, 16 pixels wide, sit at its right end inside a 6 pixel margin.
CAPTION_STRIP_Y = 8
COLLAPSE_BUTTON_FROM_RIGHT = 32
HIDE_BUTTON_FROM_RIGHT = 15
OPTIONS_BUTTON_X = 10


class Quillpad:
    """One running copy of the program."""

    def __init__(self, x, executable, home, log_name, extra_env=None):
        self.x = x
        self.executable = executable
        self.home = home
        self.report = os.path.join(x.workdir, f"{log_name}.startup")
        if os.path.exists(self.report):
            os.remove(self.report)
        self.env = dict(x.env, QUILLPAD_HOME=home, QUILLPAD_STARTUP_REPORT=self.report)
        self.env.update(extra_env or {})
        self.log_name = log_name
        self.process = x.spawn([executable], env=self.env, log_name=log_name)

    @property
    def pid(self):
        return self.process.pid

    def log(self):
        path = os.path.join(self.x.workdir, f"{self.log_name}.log")
        with open(path, errors="replace") as f:
            return f.read()

    def report_lines(self):
        try:
            with open(self.report) as f:
                return [line.split() for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def wait_until_started(self, timeout=20):
        """Waits for the program's own report that it has shown its notes,
        failing early when the process dies."""
        def started():
            if self.process.poll() is not None:
                raise AssertionError(f"quillpad exited with {self.process.returncode} while starting:\n"
                                     + self.log()[-3000:])
            return any(line[0] == "notes" for line in self.report_lines())
        wait_until("quillpad to report its notes shown", started, timeout=timeout)

    def command(self, *arguments, timeout=20):
        """Runs a second copy with a command line, as a desktop shortcut would;
        returns its exit status."""
        done = subprocess.run([self.executable, *arguments], env=self.env, capture_output=True,
                              text=True, timeout=timeout)
        self.last_command_output = done.stdout + done.stderr
        return done.returncode

    def wait_for_exit(self, timeout=30):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Timeout(f"quillpad (pid {self.pid}) still running {timeout}s after being asked to quit")

    def kill_hard(self):
        self.process.kill()
        self.process.wait()

    def resident_kb(self):
        with open(f"/proc/{self.pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return None

    # --- windows -------------------------------------------------------------

    def note_windows(self):
        return self.x.search("--pid", str(self.pid), "--name", NOTE_TITLE)

    def wait_for_note_count(self, count, timeout=15):
        """Waits until exactly `count` note windows show; returns their ids."""
        found = []

        def counted():
            found[:] = self.note_windows()
            return len(found) == count
        wait_until(f"{count} note window(s)", counted, timeout=timeout)
        return list(found)

    def wait_for_new_note(self, known, timeout=15):
        """The one note window that appeared beside the `known` ones."""
        def new_one():
            fresh = [w for w in self.note_windows() if w not in known]
            return fresh[0] if fresh else None
        return wait_until("a new note window", new_one, timeout=timeout)

    def tray_icon(self, panel, timeout=15):
        """The program's icon docked in the panel: its own window that lies
        inside the panel's rectangle."""
        def docked():
            for wid in self.x.search("--pid", str(self.pid)):
                g = self.x.geometry(wid)
                if panel.contains(g.x + g.width // 2, g.y + g.height // 2) and g.width <= 64:
                    return wid
            return None
        return wait_until("the tray icon in the panel", docked, timeout=timeout)

    def popup_windows(self, known):
        """Visible windows of the program that are neither notes nor known
        ones: the menus it pops up."""
        notes = set(self.note_windows())
        return [w for w in self.x.search("--pid", str(self.pid)) if w not in notes and w not in known]


def caption_point(g, x_offset=None):
    return (g.x + (x_offset if x_offset is not None else g.width // 2), g.y + CAPTION_STRIP_Y)


def collapse_button(g):
    return (g.right - COLLAPSE_BUTTON_FROM_RIGHT, g.y + CAPTION_STRIP_Y)


def hide_button(g):
    return (g.right - HIDE_BUTTON_FROM_RIGHT, g.y + CAPTION_STRIP_Y)


def text_area_point(g):
    return (g.x + g.width // 2, g.y + 15 + (g.height - 15) // 2)


def same_place(a, b):
    return (a.x, a.y, a.width, a.height) == (b.x, b.y, b.width, b.height)


def settle(x, wid, timeout=5):
    """Waits until a window's geometry stops changing (an animation or the
    window manager's placement has finished) and returns it."""
    last = [None]

    def steady():
        g = x.geometry(wid)
        if last[0] is not None and same_place(g, last[0]):
            return g
        last[0] = g
        time.sleep(0.1)
        return None
    return wait_until("a window to stop moving", steady, timeout=timeout)


__all__ = ["Quillpad", "Geometry", "caption_point", "collapse_button", "hide_button",
           "text_area_point", "same_place", "settle"]
