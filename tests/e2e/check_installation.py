#!/usr/bin/env python3
"""Checks what an installation brings beside the program: the three sounds,
the application icon, the desktop entry and the help page, in the source
tree and in the copy the build puts next to the executable (the copy is what
the program actually reads).

Each check is about what a user would meet: a sound that is silent, clips or
ends in a click; an icon a desktop cannot draw; a menu entry a desktop
refuses; a help button that lands nowhere.
"""
import argparse
import filecmp
import html.parser
import os
import shutil
import struct
import subprocess
import sys
import wave
import xml.etree.ElementTree as ElementTree

SOUNDS = ("Collapse.wav", "Expand.wav", "Reminder.wav")
HELP_CONTEXTS = ("context-1000", "context-1001", "context-1009", "context-1010")
failures = []


def fail(message):
    failures.append(message)
    print("FAIL:", message)


def check_sound(path):
    name = os.path.basename(path)
    with wave.open(path, "rb") as w:
        if w.getcomptype() != "NONE" or w.getsampwidth() != 2:
            fail(f"{name}: not 16-bit PCM, which every player handles")
            return
        frames = w.readframes(w.getnframes())
        seconds = w.getnframes() / w.getframerate()
        channels = w.getnchannels()
    samples = struct.unpack(f"<{len(frames) // 2}h", frames)
    peak = max(abs(s) for s in samples)
    # A collapse sound longer than the collapse itself lags behind the
    # window; a reminder longer than a couple of seconds nags.
    if not 0.05 <= seconds <= 2.0:
        fail(f"{name}: lasts {seconds:.2f} s")
    if peak < 3000:
        fail(f"{name}: nearly silent (peak {peak})")
    if peak >= 32767:
        fail(f"{name}: clips")
    edge = max(abs(s) for s in samples[:channels] + samples[-channels:])
    if edge > 500:
        fail(f"{name}: starts or ends away from silence ({edge}), which clicks")
    if os.path.getsize(path) > 64 * 1024:
        fail(f"{name}: {os.path.getsize(path)} bytes, more than a short sound needs")


def check_icon(path):
    try:
        root = ElementTree.parse(path).getroot()
    except ElementTree.ParseError as error:
        fail(f"quillpad.svg does not parse: {error}")
        return
    if not root.tag.endswith("svg"):
        fail("quillpad.svg: the root element is not <svg>")
    view_box = root.get("viewBox", "").split()
    if len(view_box) != 4 or view_box[2] != view_box[3]:
        fail("quillpad.svg: needs a square viewBox so every icon size scales it evenly")


def check_desktop_entry(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    main_group, in_main = {}, False
    for line in lines:
        if line.startswith("["):
            in_main = line == "[Desktop Entry]"
        elif in_main and "=" in line:
            key, value = line.split("=", 1)
            main_group[key] = value
    for key, wanted in (("Type", "Application"), ("Exec", "quillpad"), ("Icon", "quillpad"),
                        ("Name", "Quillpad")):
        if main_group.get(key) != wanted:
            fail(f"quillpad.desktop: {key}={main_group.get(key)!r}, expected {wanted!r}")
    if "Utility" not in main_group.get("Categories", "").split(";"):
        fail("quillpad.desktop: not in the Utility category")
    validator = shutil.which("desktop-file-validate")
    if validator is None:
        print("note: desktop-file-validate is not installed; the entry is not validated")
        return
    done = subprocess.run([validator, path], capture_output=True, text=True)
    if done.returncode != 0 or done.stdout.strip():
        fail(f"desktop-file-validate: {done.stdout.strip()} {done.stderr.strip()}")


class _Anchors(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.ids, self.links = set(), []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for key in ("id", "name"):
            if attrs.get(key):
                self.ids.add(attrs[key])
        if tag == "a" and attrs.get("href", "").startswith("#"):
            self.links.append(attrs["href"][1:])


def check_help(path):
    parser = _Anchors()
    with open(path, encoding="utf-8") as f:
        parser.feed(f.read())
    for context in HELP_CONTEXTS:
        if context not in parser.ids:
            fail(f"help page: no anchor {context}, so that window's help opens at the top")
    for target in parser.links:
        if target not in parser.ids:
            fail(f"help page: link to #{target}, which is nowhere on the page")


def check_folder(folder):
    print("checking", folder)
    for sound in SOUNDS:
        path = os.path.join(folder, "sounds", sound)
        if not os.path.isfile(path):
            fail(f"missing {path}")
        else:
            check_sound(path)
    for relative, check in (("quillpad.svg", check_icon), ("quillpad.desktop", check_desktop_entry),
                            (os.path.join("help", "index.html"), check_help)):
        path = os.path.join(folder, relative)
        if not os.path.isfile(path):
            fail(f"missing {path}")
        else:
            check(path)


def main():
    arguments = argparse.ArgumentParser(description=__doc__)
    arguments.add_argument("--source", required=True)
    arguments.add_argument("--installed")
    options = arguments.parse_args()
    check_folder(options.source)
    if options.installed:
        if not os.path.isdir(options.installed):
            fail(f"the build put no data folder beside the program ({options.installed})")
        else:
            # The copy must be the same bytes: a stale copy would hand users
            # last week's help page.
            for folder, _, files in os.walk(options.source):
                for name in files:
                    source = os.path.join(folder, name)
                    copy = os.path.join(options.installed, os.path.relpath(source, options.source))
                    if not os.path.isfile(copy) or not filecmp.cmp(source, copy, shallow=False):
                        fail(f"{copy} is missing or differs from {source}")
    if failures:
        print(f"{len(failures)} problem(s) found")
        return 1
    print("installation content is complete")
    return 0


if __name__ == "__main__":
    sys.exit(main())
