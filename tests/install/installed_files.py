"""What an installation of Quillpad must hold, and the checks shared by the
test of `cmake --install` and the test of the Debian package: the same
files must be there whether a user installs into a prefix or from the .deb.
"""
import gzip
import os
import re
import shutil
import subprocess

SKIP = 77  # CTest's SKIP_RETURN_CODE for these tests

METAINFO = "share/metainfo/io.github.quillpad.quillpad.metainfo.xml"
DESKTOP_ENTRY = "share/applications/quillpad.desktop"
PROGRAMS = ("bin/quillpad", "bin/xbtool", "bin/rtftool")
MANUAL_PAGES = tuple(f"share/man/man1/{name}.1.gz" for name in ("quillpad", "xbtool", "rtftool"))

# Paths relative to the prefix (/usr for the package).
EXPECTED = PROGRAMS + MANUAL_PAGES + (
    DESKTOP_ENTRY,
    "share/icons/hicolor/scalable/apps/quillpad.svg",
    METAINFO,
    "share/quillpad/sounds/Reminder.wav",
    "share/quillpad/sounds/Collapse.wav",
    "share/quillpad/sounds/Expand.wav",
    "share/quillpad/help/index.html",
    "share/quillpad/quillpad.svg",
    "share/doc/quillpad/copyright",
    "share/doc/quillpad/changelog.gz",
    "share/lintian/overrides/quillpad",
)


class Failures:
    """Collects every problem, so one run shows them all."""

    def __init__(self):
        self.messages = []

    def __call__(self, message):
        self.messages.append(message)
        print("FAIL:", message, flush=True)

    def __bool__(self):
        return bool(self.messages)


def finish(work, keep, fail, passed, skipped=()):
    """Keeps the work folder when asked or when something failed, says how
    the run went and returns the exit status: 1 on a failure, 77 when a
    part was skipped, else 0."""
    if keep or fail:
        print(f"work folder kept: {work}")
    else:
        shutil.rmtree(work, ignore_errors=True)
    if fail:
        print(f"{len(fail.messages)} problem(s) found")
        return 1
    if skipped:
        print("SKIPPED: " + "; ".join(skipped))
        return SKIP
    print(passed)
    return 0


def run(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, timeout=kwargs.pop("timeout", 120), **kwargs)


def check_files(prefix, fail):
    """Every expected file is there, the programs are executable, and
    nothing in the tree points back into the build folder it came from."""
    for relative in EXPECTED:
        path = os.path.join(prefix, relative)
        if not os.path.isfile(path):
            fail(f"missing {path}")
        elif relative in PROGRAMS and not os.access(path, os.X_OK):
            fail(f"{path} is not executable")
    for relative in PROGRAMS:
        path = os.path.join(prefix, relative)
        if os.path.isfile(path) and shutil.which("readelf"):
            dynamic = run(["readelf", "-d", path]).stdout
            # A run path into the build folder would load libraries that
            # vanish with it, or that belong to another build.
            for line in dynamic.splitlines():
                if "RPATH" in line or "RUNPATH" in line:
                    fail(f"{relative} keeps a library search path: {line.strip()}")


def check_desktop_files(prefix, fail):
    """The menu entry, the AppStream description and the manual pages as the
    desktop's own tools and man read them."""
    entry = os.path.join(prefix, DESKTOP_ENTRY)
    if os.path.isfile(entry) and shutil.which("desktop-file-validate"):
        done = run(["desktop-file-validate", entry])
        if done.returncode != 0 or done.stdout.strip():
            fail(f"desktop-file-validate: {done.stdout.strip()} {done.stderr.strip()}")
    metainfo = os.path.join(prefix, METAINFO)
    if os.path.isfile(metainfo) and shutil.which("appstreamcli"):
        done = run(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo])
        if done.returncode != 0 or "Validation was successful" not in done.stdout or "pedantic:" in done.stdout:
            fail(f"appstreamcli validate: {done.stdout.strip()} {done.stderr.strip()}")
    for relative in MANUAL_PAGES:
        path = os.path.join(prefix, relative)
        if not os.path.isfile(path) or not shutil.which("groff"):
            continue
        with gzip.open(path, "rt", encoding="utf-8") as f:
            page = f.read()
        if "@PROJECT_VERSION@" in page:
            fail(f"{relative}: the version was never filled in")
        done = subprocess.run(["groff", "-man", "-ww", "-z"], input=page, capture_output=True, text=True,
                              timeout=60)
        if done.returncode != 0 or done.stderr.strip():
            fail(f"{relative}: groff warns: {done.stderr.strip()}")


def manual_page_source(prefix, name):
    """The roff text of an installed manual page with escapes that only
    change fonts or dashes taken out, so "\\fB\\-\\-new\\fR" reads "--new"."""
    with gzip.open(os.path.join(prefix, "share", "man", "man1", f"{name}.1.gz"), "rt", encoding="utf-8") as f:
        page = f.read()
    return re.sub(r"\\f[BIRP]", "", page).replace("\\-", "-")


def check_tools_run(prefix, fail, env=None):
    """Each program answers --help from the installed place, as a user's
    first try would, and its manual page names every option and command
    that help lists: a page that lags behind the program misleads."""
    for name, wanted in (("quillpad", "--new"), ("xbtool", "check TABLE"), ("rtftool", "text FILE")):
        path = os.path.join(prefix, "bin", name)
        if not os.path.isfile(path):
            continue
        done = run([path, "--help"], env=env, timeout=60)
        usage = done.stdout + done.stderr
        if done.returncode != 0 or wanted not in usage:
            fail(f"{path} --help: exit {done.returncode}, {usage[:300]!r}")
            continue
        try:
            page = manual_page_source(prefix, name)
        except OSError:
            continue  # check_files reports the missing page
        options = set(re.findall(r"(?<![\w-])--[a-z][a-z0-9-]*", usage))
        # Commands and modes: the first word of an indented usage line.
        commands = set(re.findall(r"^  ([a-z][a-z0-9]*)\b", usage, re.M))
        for word in sorted(options | commands):
            if not re.search(rf"(?<![\w-]){re.escape(word)}(?![\w-])", page):
                fail(f"the manual page of {name} does not mention {word}, which its --help lists")
