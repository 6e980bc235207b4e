#!/usr/bin/env python3
"""Start-up of Quillpad with many notes, under a private X server.

For each case the program starts on a fresh copy of a prepared program
folder, and the figures come from the program's own start-up report
(QUILLPAD_STARTUP_REPORT: milliseconds from the start of main() until the
tray icon is up, and until every showing note has been shown), from the X
server (when the first note window became visible to other programs, polled
every 10 ms, counted from the moment this script starts the process, so
loading the libraries is included), and from /proc: the program's CPU time
when it reports its notes shown, when it has gone idle (finished drawing:
under 15 ms of CPU in 300 ms), and its resident memory then. Last, when
the X server shows every note window (polled every 500 ms: with hundreds
of windows each question to the server is slow). Each case runs several times; medians are printed.

Cases:
  one note        a table holding one note, showing
  10000 / 1       10,000 notes, one of them showing
  10000 / 200     10,000 notes, 200 of them showing

The tables are made once and kept in the work folder: the program is
started on an empty folder so it creates its own tables and templates, then
startup_tables appends the notes through the engine.

    ninja -C build startup_bench           # or run this script directly:
    bench/startup_bench.py --quillpad build/app/quillpad \\
        --tables build/bench/startup_tables --work build/bench/startup
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

import xsession  # noqa: E402

NOTE_TITLE = "^Quillpad note:"
TABLE_FILES = ("notes.dbf", "notes.dbt", "notes.mdx", "Trash.dbf", "Trash.dbt", "Trash.mdx",
               "defaults.dbf", "defaults.dbt", "defaults.mdx")


def environment(x, home, report):
    return dict(x.env, QUILLPAD_HOME=home, QUILLPAD_STARTUP_REPORT=report)


def read_report(path):
    figures = {}
    try:
        with open(path) as f:
            for line in f:
                parts = line.split()
                if parts and parts[0] == "tray":
                    figures["tray"] = float(parts[1])
                elif parts and parts[0] == "notes":
                    figures["notes"] = float(parts[-1])
                    figures["count"] = int(parts[1])
                elif len(parts) >= 2:
                    figures[parts[0]] = float(parts[-1])
    except FileNotFoundError:
        pass
    return figures


def quit_program(x, quillpad, home, process):
    subprocess.run([quillpad, "--quit"], env=environment(x, home, os.devnull), timeout=60,
                   capture_output=True)
    process.wait(timeout=120)


def make_folder(x, options, name, total, showing):
    """A program folder with the program's own empty tables, then `total`
    notes appended, `showing` of them showing."""
    folder = os.path.join(options.work, name)
    done_marker = os.path.join(folder, ".complete")
    if os.path.exists(done_marker):
        return folder
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    print(f"preparing {name}: first start on an empty folder, then {total} notes", flush=True)
    report = os.path.join(options.work, f"{name}.prepare")
    process = x.spawn([options.quillpad], env=environment(x, folder, report), log_name=f"prepare-{name}")
    xsession.wait_until("quillpad to start", lambda: "notes" in read_report(report), timeout=60)
    quit_program(x, options.quillpad, folder, process)
    subprocess.run([options.tables, folder, str(total), str(showing)], check=True, timeout=1800)
    open(done_marker, "w").close()
    return folder


def cpu_ms(pid):
    """User plus system time the process has used so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000 / os.sysconf("SC_CLK_TCK")


def one_run(x, options, source, expected_windows, run_number):
    home = os.path.join(options.work, "run")
    shutil.rmtree(home, ignore_errors=True)
    shutil.copytree(source, home)
    report = os.path.join(options.work, "run.startup")
    if os.path.exists(report):
        os.remove(report)
    started = time.monotonic()
    process = x.spawn([options.quillpad], env=environment(x, home, report), log_name="run")

    def alive():
        if process.poll() is not None:
            raise RuntimeError(f"quillpad exited with {process.returncode}")
        if time.monotonic() - started > 180:
            raise xsession.Timeout("quillpad took more than 180 s to start")

    # The X server is asked as little as possible while the program starts,
    # since every question costs the program CPU on a two-core machine:
    # only until the first note shows, then the report file alone.
    first_seen = None
    while first_seen is None and "notes" not in read_report(report):
        alive()
        if x.search("--pid", str(process.pid), "--name", NOTE_TITLE):
            first_seen = time.monotonic()
        else:
            time.sleep(0.01)
    while "notes" not in read_report(report):
        alive()
        time.sleep(0.005)
    cpu_at_report = cpu_ms(process.pid)
    # Shown is not yet drawn: the windows still lay out and paint their
    # text after the report. The program has finished when it stops using
    # CPU: less than 15 ms in the last 300 ms.
    samples = [(time.monotonic(), cpu_at_report)]
    while True:
        alive()
        time.sleep(0.1)
        samples.append((time.monotonic(), cpu_ms(process.pid)))
        recent = [c for t, c in samples if t >= samples[-1][0] - 0.3]
        if samples[-1][0] - samples[0][0] >= 0.3 and recent[-1] - recent[0] < 15:
            break
    idle_at, cpu_at_idle = samples[-1]
    with open(f"/proc/{process.pid}/status") as f:
        rss_kb = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    # Then until the window manager has put every note on the screen; with
    # many windows the X server and the window manager lag the program.
    while len(x.search("--pid", str(process.pid), "--name", NOTE_TITLE)) < expected_windows:
        alive()
        time.sleep(0.5)
    all_seen = time.monotonic()
    if first_seen is None:
        first_seen = all_seen
    quit_program(x, options.quillpad, home, process)
    figures = read_report(report)
    figures["cpu"] = cpu_at_report
    figures["first seen"] = (first_seen - started) * 1000
    figures["idle"] = (idle_at - started) * 1000
    figures["cpu idle"] = cpu_at_idle
    figures["all seen"] = (all_seen - started) * 1000
    figures["rss"] = rss_kb / 1024
    print(f"  run {run_number}: " + ", ".join(f"{k} {v:.0f}" for k, v in figures.items()), flush=True)
    return figures


def main():
    arguments = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    arguments.add_argument("--quillpad", required=True)
    arguments.add_argument("--tables", required=True, help="the startup_tables program")
    arguments.add_argument("--work", required=True, help="folder for the tables and logs (kept)")
    arguments.add_argument("--runs", type=int, default=5)
    options = arguments.parse_args()
    options.work = os.path.abspath(options.work)
    missing = xsession.missing_tools()
    if missing:
        print("needs " + ", ".join(missing))
        return 2
    os.makedirs(options.work, exist_ok=True)
    xwork = os.path.join(options.work, "x")
    shutil.rmtree(xwork, ignore_errors=True)
    os.makedirs(xwork)
    with xsession.XSession(xwork, tint2rc=os.path.join(os.path.dirname(xsession.__file__), "tint2rc")) as x:
        cases = [("one note", make_folder(x, options, "notes-1-of-1", 1, 1), 1),
                 ("10000 / 1", make_folder(x, options, "notes-1-of-10000", 10000, 1), 1),
                 ("10000 / 200", make_folder(x, options, "notes-200-of-10000", 10000, 200), 200)]
        results = []
        for name, folder, windows in cases:
            print(f"{name}: {options.runs} runs", flush=True)
            runs = [one_run(x, options, folder, windows, i + 1) for i in range(options.runs)]
            median = {key: statistics.median(r[key] for r in runs if key in r)
                      for key in runs[0] if all(key in r for r in runs)}
            results.append((name, median))

    print("\nmedians (ms from process start; memory in MB)")
    columns = ["tray", "first seen", "notes", "cpu", "idle", "cpu idle", "all seen", "rss"]
    print(f"{'case':<14}" + "".join(f"{c:>12}" for c in columns))
    for name, median in results:
        print(f"{name:<14}" + "".join(f"{median.get(c, float('nan')):>12.0f}" for c in columns))
    return 0


if __name__ == "__main__":
    sys.exit(main())
