#!/usr/bin/env python3
"""A day with Quillpad, end to end, on a real X server.

The program starts with an empty program folder under Xvfb, with openbox
managing windows and tint2 hosting the system tray, and is driven only as a
user drives it: the mouse and keyboard through xdotool, and the command line
of desktop shortcuts. What it stored is read back with xbtool; where windows
are is read from the X server.

  1. first start: a note from a double click on the tray icon, text typed,
     the note dragged; a second note from `--new`; the first collapsed;
     the tray menu; `--quit`
  2. next start: both notes back where they were, the first collapsed, the
     text unchanged; a second plain start brings the first forward and exits;
     a note from the template menu of a single click, hidden with Ctrl+H
  3. a crash: a note typed three seconds before `kill -9` is there at the
     next start; the index files are rebuilt and the tables packed
  4. the Notes & Reminders manager from the tray menu: every page; a search
     for the note typed before the crash, which goes to the trash, comes
     back from it, and the trash emptied
  5. a desktop without a system tray: the small Quillpad window instead;
     a reminder set through the properties dialog opens an alarm window,
     Snooze hides it and it comes back; a note set to expire is hidden

Screenshots of a note, a collapsed note, the tray menu, each page of the
manager, the no-tray window and an alarm window go to OUT/screenshots/; on
a failure OUT/failure.png shows the screen.
Exit status 77 means the X tools are missing and the test was skipped.
"""
import argparse
import os
import shutil
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import xsession  # noqa: E402
from notes_files import NotesFolder  # noqa: E402
from quillpad_app import (Quillpad, caption_point, collapse_button, hide_button,  # noqa: E402
                          same_place, settle, text_area_point)

SKIP = 77
HERE = os.path.dirname(os.path.abspath(__file__))

FIRST_TEXT = "Buy milk & eggs #42, then 50% off?"
CAPTION = "Groceries"
SECOND_TEXT = "Call Anna at 5"
CRASH_TEXT = "Typed just before the crash"
HIDDEN_TEXT = "Hidden for later"
REMINDER_TEXT = "Ring the plumber"
EXPIRING_TEXT = "Gone at its minute"
# Test seam: the program's minute timers (checks, snooze) last this long,
# so a snooze of the default five minutes passes in five seconds.
TEST_MINUTE_MS = "1000"
DRAG_BY = (-220, -130)
MIN_NOTE_WIDTH = 100
MAX_CAPTION_STRIP = 24


def alarm_button(g, name):
    """The middle of an alarm window's Snooze or Ok button: they sit side by
    side, centred, 31 pixels above the bottom of the window's client area."""
    left = g.x + g.width // 2 - 82 + (80 if name == "Ok" else 0)
    return (left + 38, g.y + g.height - 31 + 12)


def is_caption_strip(g):
    """A collapsed note: the narrowest note, only as high as its caption
    strip with the buttons."""
    return g.width == MIN_NOTE_WIDTH and g.height <= MAX_CAPTION_STRIP


class Scenario:
    def __init__(self, x, options, home):
        self.x = x
        self.options = options
        self.home = home
        self.store = NotesFolder(home, options.xbtool)
        self.shots = os.path.join(options.out, "screenshots")
        os.makedirs(self.shots, exist_ok=True)
        self.started = time.monotonic()
        self.app = None
        self.panel = x.geometry(x.wait_for_window("--classname", "tint2"))
        self.runs = 0

    def step(self, text):
        print(f"[{time.monotonic() - self.started:6.1f}s] {text}", flush=True)

    def detail(self, text):
        if self.options.verbose:
            self.step("  " + text)

    def start(self, extra_env=None):
        self.runs += 1
        self.app = Quillpad(self.x, self.options.quillpad, self.home, f"quillpad-run{self.runs}", extra_env)
        self.app.wait_until_started()
        return self.app

    def quit(self):
        status = self.app.command("--quit")
        assert status == 0, f"quillpad --quit exited with {status}: {self.app.last_command_output}"
        code = self.app.wait_for_exit()
        assert code == 0, f"quillpad exited with {code} after --quit:\n{self.app.log()[-2000:]}"

    def focus(self, note):
        """Clicks into the note's text and waits until the window has the
        keyboard focus, since keys sent before that go elsewhere."""
        self.x.click(*text_area_point(self.x.geometry(note)))
        xsession.wait_until("the note to take the keyboard focus",
                            lambda: self.x.active_window() == note, timeout=5)

    def type_into(self, note, text):
        self.focus(note)
        self.x.type_text(text)

    def wait_stored(self, words, timeout=10):
        """Waits until notes.dbf holds a note whose text has `words`: the
        program stores a note about two seconds after the last change."""
        return xsession.wait_until(f"a stored note with the text {words!r}",
                                   lambda: self.store.note_with_text(words), timeout=timeout)

    # --- 1. first start --------------------------------------------------------

    def first_start(self):
        self.step("first start with an empty program folder")
        app = self.start()
        for table in ("notes.dbf", "Trash.dbf", "defaults.dbf"):
            assert os.path.exists(self.store.path(table)), f"first start did not create {table}"
        templates = self.store.rows("defaults.dbf")
        assert len(templates) == 10, f"defaults.dbf holds {len(templates)} templates, not 10"
        assert app.note_windows() == [], "an empty program folder opened note windows"

        self.step("double click on the tray icon makes a note")
        tray = self.x.geometry(app.tray_icon(self.panel))
        self.tray = tray
        self.x.click(tray.x + tray.width // 2, tray.y + tray.height // 2, repeat=2)
        first = app.wait_for_note_count(1)[0]
        before_drag = settle(self.x, first)
        centre_x = before_drag.x + before_drag.width // 2
        centre_y = before_drag.y + before_drag.height // 2
        # Template 1 places its notes in the middle of the screen, the part
        # of it that the panel leaves free.
        free = self.x.work_area()
        assert abs(centre_x - (free.x + free.width // 2)) <= 2 and \
            abs(centre_y - (free.y + free.height // 2)) <= 2, \
            f"a plain new note should open in the middle of the screen ({free}), it is at {before_drag}"

        self.step("type into it")
        self.type_into(first, FIRST_TEXT)
        row = self.wait_stored(FIRST_TEXT)
        assert row["SHOWING"] == "Y" and row["NOTEBOARD"] == "1", row

        self.step("drag it by its caption strip")
        start = caption_point(before_drag, 40)
        self.x.drag(start, (start[0] + DRAG_BY[0], start[1] + DRAG_BY[1]))
        dragged = settle(self.x, first)
        assert (dragged.x, dragged.y) == (before_drag.x + DRAG_BY[0], before_drag.y + DRAG_BY[1]), \
            f"dragged by {DRAG_BY} from {before_drag}, the note is at {dragged}"
        assert (dragged.width, dragged.height) == (before_drag.width, before_drag.height), \
            f"dragging changed the note's size: {before_drag} -> {dragged}"

        self.step("a double click on the caption strip gives it a title")
        self.x.click(*caption_point(dragged, 60), repeat=2)
        dialog = self.x.wait_for_window("--pid", str(app.pid), "--name", "^Note Caption")
        self.x.activate(dialog)
        self.x.type_text(CAPTION)
        self.x.key("Return")
        self.x.wait_for_no_window("--pid", str(app.pid), "--name", "^Note Caption")
        xsession.wait_until("the note's window title to carry the caption",
                            lambda: CAPTION in self.x.window_name(first), timeout=5)
        xsession.wait_until("the caption to be stored",
                            lambda: self.store.note_with_text(FIRST_TEXT)["DESC"] == CAPTION)
        self.x.screenshot(os.path.join(self.shots, "note.png"), dragged, margin=12)

        self.step("a second note from the command line (--new)")
        status = app.command("--new")
        assert status == 0, f"quillpad --new exited with {status}: {app.last_command_output}"
        second = app.wait_for_new_note([first])
        self.type_into(second, SECOND_TEXT)
        self.wait_stored(SECOND_TEXT)

        self.step("collapse the first note")
        self.x.click(*collapse_button(dragged))
        xsession.wait_until("the note to collapse to its caption strip",
                            lambda: is_caption_strip(self.x.geometry(first)))
        collapsed = settle(self.x, first)
        assert is_caption_strip(collapsed) and collapsed.right == dragged.right and collapsed.y == dragged.y, \
            f"collapsing {dragged} gave {collapsed}; the caption strip should keep the right edge and top"
        self.x.screenshot(os.path.join(self.shots, "collapsed-note.png"), collapsed, margin=20)

        self.step("the tray menu")
        known = set(app.x.search("--pid", str(app.pid)))
        self.x.click(tray.x + tray.width // 2, tray.y + tray.height // 2, button=3)
        menu = xsession.wait_until("the tray menu", lambda: app.popup_windows(known))
        menu_area = settle(self.x, menu[0])
        # The menu together with the tray it came from.
        left = min(menu_area.x, tray.x)
        top = min(menu_area.y, tray.y)
        area = xsession.Geometry(left, top, max(menu_area.right, tray.right) - left,
                                 max(menu_area.bottom, self.panel.bottom) - top)
        self.x.screenshot(os.path.join(self.shots, "tray-menu.png"), area, margin=10)
        self.x.key("Escape")
        xsession.wait_until("the tray menu to close", lambda: not app.popup_windows(known), timeout=5)

        self.places = {"first": collapsed, "second": settle(self.x, second)}
        self.step("--quit shuts the program down")
        self.quit()
        rows = {row.text: row for row in self.store.live_notes()}
        first_row = rows.get(FIRST_TEXT)
        assert first_row is not None, f"after --quit no stored note holds {FIRST_TEXT!r}: {list(rows)}"
        assert first_row["SHOWING"] == "Y" and first_row["MINIMIZED"] == "Y", first_row.fields
        # A collapsed note keeps its expanded size and left edge in the record.
        assert int(first_row["WIDTH"]) == dragged.width and int(first_row["HEIGHT"]) == dragged.height, \
            first_row.fields
        assert int(first_row["LEFT"]) == dragged.x and int(first_row["TOP"]) == dragged.y, first_row.fields
        status = self.store.config()
        assert status.get("Status", "TerminatedOK", fallback=None) == "1", \
            "a clean shutdown must record TerminatedOK=1 in Config.cfg"

    # --- 2. next start -----------------------------------------------------------

    def next_start(self):
        self.step("start again: the notes come back as they were")
        app = self.start()
        windows = app.wait_for_note_count(2)
        by_place = {}
        for wid in windows:
            by_place[repr(settle(self.x, wid))] = wid
        for name, place in self.places.items():
            assert repr(place) in by_place, \
                f"the {name} note was at {place} before --quit; now the notes are at {list(by_place)}"
        first = by_place[repr(self.places["first"])]
        assert is_caption_strip(self.x.geometry(first)), "the first note should reopen collapsed"
        texts = sorted(row.text for row in self.store.live_notes())
        assert texts == sorted([FIRST_TEXT, SECOND_TEXT]), f"stored texts changed: {texts}"
        assert CAPTION in self.x.window_name(first), f"the caption is lost: {self.x.window_name(first)!r}"
        self.first, self.second = first, by_place[repr(self.places["second"])]

        self.step("a second plain start brings the first forward and exits")
        # Cover the expanded note with another program's window first.
        place = self.places["second"]
        cover_process = self.x.spawn(["xmessage", "-title", "Another program", "-geometry",
                                      f"{place.width}x{place.height}+{place.x}+{place.y}",
                                      "a window over the note"], log_name="xmessage")
        cover = self.x.wait_for_window("--name", "^Another program$")
        xsession.wait_until("the other window to cover the note", lambda: self.x.is_above(cover, self.second))
        status = app.command(timeout=20)
        assert status == 0, f"a second start exited with {status}: {app.last_command_output}"
        assert app.process.poll() is None, "the running copy ended when a second copy started"
        assert len(app.note_windows()) == 2, "a second start must not open or close notes"
        xsession.wait_until("the notes to come above the other window",
                            lambda: self.x.is_above(self.second, cover), timeout=5)
        cover_process.terminate()

        self.step("a single click on the tray icon offers the templates: the to-do list")
        tray = self.x.geometry(app.tray_icon(self.panel))
        known = set(self.x.search("--pid", str(app.pid)))
        self.x.click(tray.x + tray.width // 2, tray.y + tray.height // 2)
        xsession.wait_until("the template menu", lambda: app.popup_windows(known))
        # The menu lists the templates in use in order; the second is the
        # to-do list, which opens in the top right corner.
        self.x.key("Down", "Down", "Return")
        todo = app.wait_for_new_note([self.first, self.second])
        place = settle(self.x, todo)
        free = self.x.work_area()
        assert (place.right, place.y) == (free.right, free.y), \
            f"the to-do list should open in the top right corner of {free}, it is at {place}"
        self.focus(todo)
        self.x.key("ctrl+h")
        xsession.wait_until("the to-do list's window to go", lambda: todo not in app.note_windows())
        row = xsession.wait_until("the to-do list stored as hidden",
                                  lambda: next((r for r in self.store.live_notes()
                                                if r["NOTEBOARD"] == "2" and r["SHOWING"] == "N"), None))
        assert row.text.startswith("To do, ") and "<DATE>" not in row.text and "<C>" not in row.text, \
            f"the template's placeholders should be filled in: {row.text!r}"

    # --- 3. a crash ----------------------------------------------------------------

    def crash(self):
        app = self.app
        self.step("a note to hide, one to trash, one typed just before kill -9")
        app.command("--new")
        hidden = app.wait_for_new_note([self.first, self.second])
        self.detail("new note up")
        self.type_into(hidden, HIDDEN_TEXT)
        self.detail("typed")
        self.wait_stored(HIDDEN_TEXT)
        self.detail("stored")
        self.x.click(*hide_button(settle(self.x, hidden)))
        xsession.wait_until("the hidden note's window to go", lambda: hidden not in app.note_windows())
        xsession.wait_until("the hidden note to be stored as hidden",
                            lambda: self.store.note_with_text(HIDDEN_TEXT)["SHOWING"] == "N")
        self.detail("hidden")

        # Trash the second note with its key, Ctrl+T.
        self.focus(self.second)
        self.x.key("ctrl+t")
        xsession.wait_until("the trashed note's window to go", lambda: self.second not in app.note_windows())
        xsession.wait_until("the trashed note to be marked deleted in notes.dbf",
                            lambda: any(r.deleted and SECOND_TEXT in r.text for r in self.store.rows()))
        self.detail("trashed")

        app.command("--new")
        self.detail("asked for a new note")
        last = app.wait_for_new_note([self.first])
        self.detail("new note up")
        self.type_into(last, CRASH_TEXT)
        typed_at = time.monotonic()
        time.sleep(max(0.0, 3.0 - (time.monotonic() - typed_at)))
        app.kill_hard()
        self.step("killed with SIGKILL three seconds after typing")

        rows = self.store.rows()
        assert any(r.deleted for r in rows), "expected the trashed note's record still marked deleted"
        assert self.store.config().get("Status", "TerminatedOK", fallback=None) == "0", \
            "a running program must keep TerminatedOK=0 in Config.cfg"
        # Flip the hidden note's SHOWING flag behind the index's back. Only a
        # start that rebuilds the index from the table sees it as showing.
        hidden_row = next(r for r in rows if HIDDEN_TEXT in r.text)
        self.store.set_field_bytes("notes.dbf", hidden_row.number, "SHOWING", "Y")
        deleted_before = sum(r.deleted for r in rows)
        records_before = len(rows)

        self.step("start after the crash")
        app = self.start()
        windows = app.wait_for_note_count(3)
        crash_row = self.store.note_with_text(CRASH_TEXT)
        assert crash_row is not None, "the note typed three seconds before the kill was lost"
        names = [self.x.window_name(w) for w in windows]
        assert len(windows) == 3, f"expected the first, the crash and the flipped note; got {names}"
        rows = self.store.rows()
        assert not any(r.deleted for r in rows), f"the tables were not packed: {rows}"
        assert len(rows) == records_before - deleted_before, rows
        trash = self.store.rows("Trash.dbf")
        assert any(SECOND_TEXT in r.text for r in trash), f"the trashed note is not in Trash.dbf: {trash}"
        self.quit()
        # xbtool check wants the index files to itself, so after the quit.
        for table in ("notes.dbf", "Trash.dbf", "defaults.dbf"):
            ok, report = self.store.check(table)
            assert ok, f"xbtool check {table} after the run that followed the crash:\n{report}"

    # --- 4. the Notes & Reminders manager ---------------------------------------------

    MANAGER_PAGES = ["all-notes", "active-reminders", "trash-bin", "plain-note", "to-do-list", "phone-message",
                     "meeting-notes"]

    def manager_menu(self, known, *keys):
        """Opens the focused grid's menu with the Menu key and picks an item
        with `keys`."""
        self.x.key("Menu")
        menu = xsession.wait_until("the grid's menu", lambda: self.app.popup_windows(known), timeout=5)
        self.x.key(*keys)
        # Only the menu itself: a question may open as it closes.
        xsession.wait_until("the grid's menu to close",
                            lambda: not set(menu) & set(self.app.popup_windows(known)), timeout=5)

    def confirm(self):
        self.x.wait_for_window("--pid", str(self.app.pid), "--name", "^Confirm$", timeout=5)
        self.x.key("alt+y")
        self.x.wait_for_no_window("--pid", str(self.app.pid), "--name", "^Confirm$", timeout=5)

    def manager(self):
        self.step("the Notes & Reminders manager from the tray menu")
        app = self.start()
        showing = app.wait_for_note_count(3)
        tray = self.x.geometry(app.tray_icon(self.panel))
        known = set(self.x.search("--pid", str(app.pid)))
        self.x.click(tray.x + tray.width // 2, tray.y + tray.height // 2, button=3)
        xsession.wait_until("the tray menu", lambda: app.popup_windows(known))
        self.x.key("Down", "Down", "Return")  # New Note, then Notes & Reminders...
        window = self.x.wait_for_window("--pid", str(app.pid), "--name", "^Notes & Reminders$")
        area = settle(self.x, window)
        known = set(self.x.search("--pid", str(app.pid)))
        for number, page in enumerate(self.MANAGER_PAGES):
            if number:
                self.x.key("ctrl+Next")
            time.sleep(0.3)  # the page paints; nothing outside the program tells when
            self.x.screenshot(os.path.join(self.shots, f"manager-{page}.png"), area, margin=4)
        self.x.key("ctrl+Next")  # round to All Notes

        self.step("search for the note typed before the crash and send it to the trash")
        self.x.key("ctrl+f")
        self.x.type_text("JUST before")
        time.sleep(0.3)
        self.x.screenshot(os.path.join(self.shots, "manager-search.png"), area, margin=4)
        self.x.key("Down")  # into the results
        self.manager_menu(known, "Down", "Down", "Down", "Return")  # Send Note to Trash
        app.wait_for_note_count(2)
        xsession.wait_until("the note in Trash.dbf and gone from notes.dbf",
                            lambda: any(not r.deleted and CRASH_TEXT in r.text for r in self.store.rows("Trash.dbf"))
                            and not self.store.note_with_text(CRASH_TEXT))

        self.step("restore it from the Trash Bin, then empty the trash")
        self.x.key("ctrl+Next", "ctrl+Next")
        time.sleep(0.3)
        self.manager_menu(known, "Down", "Down", "Return")  # Restore Note
        self.confirm()
        restored = xsession.wait_until("the note back in notes.dbf, hidden",
                                       lambda: self.store.note_with_text(CRASH_TEXT))
        assert restored["SHOWING"] == "N", restored.fields
        self.x.key("ctrl+f", "ctrl+a", "BackSpace", "Down")  # every trashed note
        self.manager_menu(known, "Down", "Return")  # Empty Trash Bin
        self.confirm()
        xsession.wait_until("every trashed note deleted",
                            lambda: all(r.deleted for r in self.store.rows("Trash.dbf")))
        self.x.key("Escape")
        self.x.wait_for_no_window("--pid", str(app.pid), "--name", "^Notes & Reminders$", timeout=5)
        assert len(showing) == 3
        self.quit()

    # --- 5. no system tray ------------------------------------------------------------

    def no_tray(self):
        self.step("a desktop without a system tray")
        showing = sum(r["SHOWING"] == "Y" for r in self.store.live_notes())
        app = self.start({"QUILLPAD_NO_TRAY": "1", "QUILLPAD_TEST_MINUTE_MS": TEST_MINUTE_MS})
        window = self.x.wait_for_window("--pid", str(app.pid), "--name", "^Quillpad$")
        app.wait_for_note_count(showing)
        self.reminder_and_expiry(app)
        self.step("--hide-all hides every note")
        status = app.command("--hide-all")
        assert status == 0, f"quillpad --hide-all exited with {status}: {app.last_command_output}"
        app.wait_for_note_count(0)
        xsession.wait_until("every note stored as hidden",
                            lambda: all(r["SHOWING"] == "N" for r in self.store.live_notes()))
        assert self.x.is_viewable(window), "hiding the notes hid the no-tray window too"
        area = settle(self.x, window)
        self.x.screenshot(os.path.join(self.shots, "no-tray-window.png"), area, margin=30)
        self.quit()
        for table in ("notes.dbf", "Trash.dbf", "defaults.dbf"):
            ok, report = self.store.check(table)
            assert ok, f"xbtool check {table} at the end:\n{report}"


    # --- 4a. reminders and expiry ----------------------------------------------------

    def new_stored_note(self, app, text):
        """A note from `--new` with `text` typed into it, once it is stored."""
        known = app.note_windows()
        app.command("--new")
        note = app.wait_for_new_note(known)
        self.type_into(note, text)
        self.wait_stored(text)
        return note

    def properties_dialog(self, app, note, pages_on, keys):
        """Opens the note's properties with Ctrl+P, moves `pages_on` pages on
        with Ctrl+Tab (each page starts with the focus in its first check
        box), presses `keys` and OK."""
        self.focus(note)
        self.x.key("ctrl+p")
        dialog = self.x.wait_for_window("--pid", str(app.pid), "--name", "^Note Properties$")
        self.x.activate(dialog)
        self.x.key(*(["ctrl+Tab"] * pages_on))
        self.x.key(*keys)
        self.x.key("Return")
        self.x.wait_for_no_window("--pid", str(app.pid), "--name", "^Note Properties$")

    def reminder_and_expiry(self, app):
        # A new note's reminder and expiry start at the minute it was made,
        # so switching either on makes it due at once: at its minute.
        self.step("a reminder set through the properties dialog fires at its minute")
        note = self.new_stored_note(app, REMINDER_TEXT)
        self.properties_dialog(app, note, 2, ["space"])  # Reminder page: "Alarm is Active"
        alarm = self.x.wait_for_window("--pid", str(app.pid), "--name", "^Note Alarm$", timeout=10)
        row = self.store.note_with_text(REMINDER_TEXT)
        assert row["ALARMACT"] == "Y" and row["DATEALMACT"].strip(), \
            f"the reminder should be active and its firing recorded: {row.fields}"
        place = settle(self.x, alarm)
        assert place.x >= 0 and place.y >= 0 and place.right <= self.x.width and place.bottom <= self.x.height, \
            f"the alarm window must be wholly on the screen: {place}"
        self.x.screenshot(os.path.join(self.shots, "alarm-window.png"), place, margin=30)

        self.step("Snooze hides the alarm and it comes back")
        self.x.click(*alarm_button(place, "Snooze"))
        self.x.wait_for_no_window("--pid", str(app.pid), "--name", "^Note Alarm$", timeout=5)
        self.x.wait_for_window("--pid", str(app.pid), "--name", "^Note Alarm$", timeout=15)
        self.x.click(*alarm_button(settle(self.x, alarm), "Ok"))
        self.x.wait_for_no_window("--pid", str(app.pid), "--name", "^Note Alarm$", timeout=5)

        self.step("a note set to expire is hidden at its minute")
        expiring = self.new_stored_note(app, EXPIRING_TEXT)
        self.properties_dialog(app, expiring, 3, ["space"])  # Expiration page: "Note Never Expires"
        xsession.wait_until("the expired note's window to go",
                            lambda: expiring not in app.note_windows(), timeout=10)
        # A new note's expiry moves it to the trash, as its check box says.
        assert self.store.note_with_text(EXPIRING_TEXT) is None, "the expired note should have left notes.dbf"
        trashed = [r for r in self.store.rows("Trash.dbf") if EXPIRING_TEXT in r.text]
        assert len(trashed) == 1 and trashed[0]["EXPIRES"] == "Y" and trashed[0]["SHOWING"] == "N", \
            f"the expired note should be in the trash, hidden: {[r.fields for r in trashed]}"


def main():
    arguments = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    arguments.add_argument("--quillpad", required=True)
    arguments.add_argument("--xbtool", required=True)
    arguments.add_argument("--out", required=True, help="folder for screenshots and logs")
    arguments.add_argument("--keep", action="store_true", help="keep the work folder")
    arguments.add_argument("--verbose", action="store_true", help="time every small step")
    options = arguments.parse_args()

    if xsession.say_skipped_without_tools():
        return SKIP

    os.makedirs(options.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="quillpad-e2e-", dir=options.out)
    home = os.path.join(work, "home")
    os.makedirs(home)
    x = None
    try:
        x = xsession.XSession(work, tint2rc=os.path.join(HERE, "tint2rc"))
        scenario = Scenario(x, options, home)
        scenario.first_start()
        scenario.next_start()
        scenario.crash()
        scenario.manager()
        scenario.no_tray()
        scenario.step("done")
        return 0
    except Exception:
        traceback.print_exc()
        if x is not None:
            try:
                x.screenshot(os.path.join(options.out, "failure.png"))
                print(f"screen at the failure: {os.path.join(options.out, 'failure.png')}")
            except Exception as error:  # the X server itself may be gone
                print(f"no screenshot: {error}")
        for name in sorted(os.listdir(work)):
            if name.endswith(".log") and name.startswith("quillpad"):
                with open(os.path.join(work, name), errors="replace") as f:
                    tail = f.read()[-1500:]
                if tail.strip():
                    print(f"--- {name} (end)\n{tail}")
        options.keep = True
        return 1
    finally:
        if x is not None:
            x.close()
        if options.keep:
            print(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
