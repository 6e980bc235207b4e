#!/usr/bin/env python3
"""Installs Quillpad into a fresh prefix with `cmake --install` and starts
the installed program as a new user would meet it: on its own X server,
with an empty home folder and none of QUILLPAD_HOME or XDG_DATA_HOME set.

It must then
  - put its tables and Config.cfg in ~/.local/share/Quillpad,
  - ring reminders with the wave file installed under the prefix,
  - write nothing under the prefix (a listing with sizes, modes and
    modification times is taken before and compared after),
and the installed tree must hold the programs, menu entry, icon, AppStream
file, manual pages and content, each valid for the desktop's own tools.

Exit status 77 means the X tools are missing and the test was skipped.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

import xsession  # noqa: E402
from installed_files import (SKIP, Failures, check_desktop_files, check_files, check_tools_run, finish,  # noqa: E402
                             run)

TABLES = [f"{table}.{ext}" for table in ("notes", "Trash", "defaults") for ext in ("dbf", "dbt", "mdx")]


def listing(root):
    """Every entry under root with what a write would change."""
    entries = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            entries[os.path.relpath(path, root)] = (info.st_mode, info.st_size, info.st_mtime_ns)
    stat = os.lstat(root)
    entries["."] = (stat.st_mode, stat.st_size, stat.st_mtime_ns)
    return entries


def compare_listings(before, after, fail):
    for path in sorted(set(before) | set(after)):
        if path not in before:
            fail(f"the program wrote {path} under the prefix")
        elif path not in after:
            fail(f"{path} vanished from the prefix")
        elif before[path] != after[path]:
            fail(f"{path} under the prefix changed (mode, size, mtime {before[path]} -> {after[path]})")


def report_value(report, word):
    """The rest of the first startup report line starting with `word`,
    without its trailing milliseconds; None when there is none."""
    try:
        with open(report) as f:
            for line in f:
                parts = line.rstrip("\n").split(" ")
                if parts[0] == word:
                    return " ".join(parts[1:-1])
    except FileNotFoundError:
        pass
    return None


def first_start(x, prefix, home, work, fail):
    """Starts the installed program once, waits until it shows its notes,
    asks it to quit, and checks what it left in the data folder."""
    env = dict(x.env, HOME=home)
    for name in ("QUILLPAD_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "QUILLPAD_NO_TRAY"):
        env.pop(name, None)
    report = os.path.join(work, "quillpad.startup")
    env["QUILLPAD_STARTUP_REPORT"] = report
    program = os.path.join(prefix, "bin", "quillpad")
    process = x.spawn([program], env=env, log_name="quillpad")

    def shown():
        if process.poll() is not None:
            raise AssertionError(f"quillpad exited with {process.returncode} while starting")
        return report_value(report, "notes") is not None
    xsession.wait_until("the installed quillpad to show its notes", shown, timeout=60)

    quit_done = subprocess.run([program, "--quit"], env=env, capture_output=True, text=True, timeout=30)
    if quit_done.returncode != 0:
        fail(f"quillpad --quit: exit {quit_done.returncode} {quit_done.stderr.strip()}")
    try:
        status = process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        raise AssertionError("quillpad still running 30 s after --quit")
    if status != 0:
        fail(f"quillpad exited with {status} after --quit")

    data = os.path.join(home, ".local", "share", "Quillpad")
    for name in TABLES + ["Config.cfg"]:
        if not os.path.isfile(os.path.join(data, name)):
            fail(f"the first start made no {name} in {data}")
    stray = sorted(set(os.listdir(home)) - {".local"})
    if stray:
        fail(f"the program wrote {stray} into the home folder itself")

    # A first start must give the user the ten templates to make notes from;
    # read with the installed xbtool, not with the program.
    defaults = os.path.join(data, "defaults.dbf")
    if os.path.isfile(defaults):
        dump = run([os.path.join(prefix, "bin", "xbtool"), "dump", "--hide-deleted", defaults], env=env)
        rows = [line for line in dump.stdout.splitlines()[1:] if line.strip()]
        if dump.returncode != 0 or len(rows) != 10:
            fail(f"defaults.dbf holds {len(rows)} templates, not 10: {dump.stderr.strip()}")
        check = run([os.path.join(prefix, "bin", "xbtool"), "check", defaults], env=env)
        if check.returncode != 0:
            fail(f"xbtool check defaults.dbf: {check.stdout.strip()} {check.stderr.strip()}")

    sound = report_value(report, "sound")
    installed_sound = os.path.join(prefix, "share", "quillpad", "sounds", "Reminder.wav")
    if sound is None:
        fail("the program did not report its reminder sound")
    elif not os.path.isfile(sound) or not os.path.samefile(sound, installed_sound):
        fail(f"the default reminder sound is {sound!r}, not the installed {installed_sound}")


def main():
    arguments = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    arguments.add_argument("--cmake", required=True)
    arguments.add_argument("--build", required=True, help="the configured and built tree to install")
    arguments.add_argument("--out", required=True, help="folder for the work folder and logs")
    arguments.add_argument("--keep", action="store_true", help="keep the work folder")
    options = arguments.parse_args()

    if xsession.say_skipped_without_tools():
        return SKIP

    os.makedirs(options.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="quillpad-install-", dir=options.out)
    prefix = os.path.join(work, "prefix")
    home = os.path.join(work, "home")
    os.makedirs(home)
    fail = Failures()
    x = None
    try:
        done = run([options.cmake, "--install", options.build, "--prefix", prefix], timeout=300)
        if done.returncode != 0:
            fail(f"cmake --install failed: {done.stdout[-2000:]} {done.stderr[-2000:]}")
        else:
            check_files(prefix, fail)
            check_desktop_files(prefix, fail)
            check_tools_run(prefix, fail)
            before = listing(prefix)
            x = xsession.XSession(os.path.join(work, "x"))
            first_start(x, prefix, home, x.workdir, fail)
            compare_listings(before, listing(prefix), fail)
    except Exception:
        traceback.print_exc()
        fail("the run stopped early")
    finally:
        if x is not None:
            x.close()
    log = os.path.join(work, "x", "quillpad.log")
    if fail and os.path.isfile(log):
        with open(log, errors="replace") as f:
            print("--- quillpad.log (end)\n" + f.read()[-1500:])
    return finish(work, options.keep, fail,
                  "the installed program keeps its data in the user's folder and reads its own content")


if __name__ == "__main__":
    sys.exit(main())
