#!/usr/bin/env python3
"""Packs the built tree into quillpad_<version>_<arch>.deb with CPack and
checks it as Debian would: its control fields and computed dependencies,
its file list, no maintainer scripts, and lintian with the package's own
overrides. Where it runs as root (CI) it then installs the package with
apt (dpkg when apt cannot), runs the programs from /usr/bin, removes it
again and checks that nothing of it is left and a user's notes are
untouched.

Packing never rebuilds: it packs what the build made. Exit status 77
means the checks that could run passed but the install part was skipped
(not root, quillpad already installed, or lintian missing).
"""
import argparse
import hashlib
import os
import shutil
import sys
import tempfile
import traceback

from installed_files import (EXPECTED, SKIP, Failures, check_desktop_files, check_files, check_tools_run, finish,
                             run)

# Libraries the programs link, by the Debian package that ships them;
# dpkg-shlibdeps must have found each of them.
REQUIRED_DEPENDS = ("libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6multimedia6")
REQUIRED_FIELDS = ("Package", "Version", "Architecture", "Maintainer", "Section", "Priority", "Description",
                   "Depends", "Installed-Size")
APT_TIMEOUTS = ["-o", "DPkg::Lock::Timeout=120"]


def build_package(cpack, build, out, fail):
    done = run([cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out], timeout=600)
    if done.returncode != 0:
        fail(f"cpack failed:\n{done.stdout[-3000:]}\n{done.stderr[-3000:]}")
        return None
    debs = [name for name in os.listdir(out) if name.endswith(".deb")]
    if len(debs) != 1 or not debs[0].startswith("quillpad_"):
        fail(f"cpack made {debs}, not one quillpad_*.deb")
        return None
    return os.path.join(out, debs[0])


def check_control(deb, version, fail):
    fields = {}
    for field in REQUIRED_FIELDS:
        value = run(["dpkg-deb", "-f", deb, field]).stdout.strip()
        fields[field] = value
        if not value:
            fail(f"the control file has no {field}")
    if fields["Package"] != "quillpad":
        fail(f"Package: {fields['Package']!r}")
    if fields["Version"] != version:
        fail(f"Version {fields['Version']!r}, the project is {version!r}")
    depends = {part.strip().split(" ")[0] for part in fields["Depends"].split(",")}
    for package in REQUIRED_DEPENDS:
        if package not in depends:
            fail(f"Depends lacks {package}: {fields['Depends']}")
    expected = os.path.basename(deb)
    wanted = f"quillpad_{version}_{fields['Architecture']}.deb"
    if expected != wanted:
        fail(f"the package is named {expected}, Debian tools expect {wanted}")


def check_contents(deb, work, fail):
    """Unpacks the data part and checks it like an installed prefix."""
    unpacked = os.path.join(work, "unpacked")
    done = run(["dpkg-deb", "-x", deb, unpacked])
    if done.returncode != 0:
        fail(f"dpkg-deb -x: {done.stderr.strip()}")
        return
    outside = sorted(name for name in os.listdir(unpacked) if name != "usr")
    if outside:
        fail(f"the package installs outside /usr: {outside}")
    prefix = os.path.join(unpacked, "usr")
    check_files(prefix, fail)
    check_desktop_files(prefix, fail)
    control = os.path.join(work, "control")
    run(["dpkg-deb", "-e", deb, control])
    # Users' notes live in their home folders: nothing may run on install
    # or removal that could reach them.
    scripts = sorted(set(os.listdir(control)) & {"preinst", "postinst", "prerm", "postrm", "config"})
    if scripts:
        fail(f"the package has maintainer scripts: {scripts}")


def check_lintian(deb, fail):
    if not shutil.which("lintian"):
        print("note: lintian is not installed (scripts/install-deps.sh installs it); not run")
        return False
    done = run(["lintian", "--fail-on", "error,warning", "--show-overrides", deb], timeout=600)
    print("lintian:\n" + (done.stdout.strip() or "(no findings)"))
    findings = [line for line in done.stdout.splitlines() if line[:2] in ("E:", "W:")]
    if done.returncode != 0 or findings:
        fail(f"lintian reports errors or warnings:\n{done.stdout.strip()}\n{done.stderr.strip()}")
    return True


def package_state():
    """dpkg's status of quillpad; "not-installed" also when dpkg has never
    heard of it."""
    done = run(["dpkg-query", "-W", "-f", "${Status}", "quillpad"])
    return done.stdout.strip() if done.returncode == 0 else "not-installed"


def package_absent():
    # A package removed earlier stays known as "deinstall ok not-installed".
    return package_state().split(" ")[-1] == "not-installed"


def digest_tree(root):
    sums = {}
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                sums[os.path.relpath(path, root)] = hashlib.sha256(f.read()).hexdigest()
    return sums


def install_and_remove(deb, work, fail):
    """Installs the package, uses it, removes it. A user's notes made while
    it is installed must survive the removal byte for byte."""
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    # apt installs it as a user would, fetching only dependencies that are
    # missing; where that fails (no network), dpkg installs it over what is
    # there and names any dependency that is really missing.
    apt = run(["apt-get", "install", "-y", "--no-install-recommends", *APT_TIMEOUTS, deb], env=env, timeout=600)
    if apt.returncode != 0:
        print(f"note: apt-get could not install the package ({apt.stderr.strip()[-500:]}); trying dpkg -i")
        dpkg = run(["dpkg", "-i", deb], env=env, timeout=600)
        if dpkg.returncode != 0:
            fail(f"dpkg -i failed: {dpkg.stdout[-1500:]} {dpkg.stderr[-1500:]}")
            run(["dpkg", "--purge", "quillpad"], env=env)  # a half-installed package must not stay
            return
    print("installed; running the programs from /usr/bin", flush=True)
    notes, notes_before = None, None
    try:
        if not package_state().startswith("install ok installed"):
            fail(f"after installing, dpkg says {package_state()!r}")
        check_files("/usr", fail)
        home = os.path.join(work, "home")
        os.makedirs(home)
        user_env = dict(env, HOME=home, QT_QPA_PLATFORM="offscreen")
        user_env.pop("QUILLPAD_HOME", None)
        user_env.pop("XDG_DATA_HOME", None)
        check_tools_run("/usr", fail, env=user_env)
        notes = os.path.join(home, ".local", "share", "Quillpad")
        os.makedirs(notes)
        table = os.path.join(notes, "notes.dbf")
        for argv in (["create", table, "DESC,C,40", "MEMO,M,10"], ["append", table, "DESC=kept"]):
            done = run(["/usr/bin/xbtool", *argv], env=user_env)
            if done.returncode != 0:
                fail(f"/usr/bin/xbtool {' '.join(argv)}: {done.stderr.strip()}")
        notes_before = digest_tree(notes)
    finally:
        removed = run(["apt-get", "remove", "-y", *APT_TIMEOUTS, "quillpad"], env=env, timeout=600)
        if removed.returncode != 0:
            fail(f"apt-get remove: {removed.stderr.strip()}")
            run(["dpkg", "--purge", "quillpad"], env=env)
    print("removed", flush=True)
    if not package_absent():
        fail(f"after removal, dpkg says {package_state()!r}")
    for relative in EXPECTED:
        if os.path.lexists(os.path.join("/usr", relative)):
            fail(f"/usr/{relative} is still there after removal")
    if os.path.isdir("/usr/share/quillpad"):
        fail("/usr/share/quillpad is still there after removal")
    if notes_before is not None and digest_tree(notes) != notes_before:
        fail("removing the package changed a user's notes")


def main():
    arguments = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    arguments.add_argument("--cpack", required=True)
    arguments.add_argument("--build", required=True, help="the configured and built tree to pack")
    arguments.add_argument("--version", required=True, help="the project's version")
    arguments.add_argument("--out", required=True, help="folder for the work folder")
    arguments.add_argument("--keep", action="store_true", help="keep the work folder")
    options = arguments.parse_args()

    if not shutil.which("dpkg-deb"):
        print("SKIPPED: not a Debian system (no dpkg-deb)")
        return SKIP
    os.makedirs(options.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="quillpad-deb-", dir=options.out)
    fail = Failures()
    skipped = []
    try:
        deb = build_package(options.cpack, options.build, work, fail)
        if deb:
            print(f"built {os.path.basename(deb)} ({os.path.getsize(deb) // 1024} KiB)")
            check_control(deb, options.version, fail)
            check_contents(deb, work, fail)
            if not check_lintian(deb, fail):
                skipped.append("lintian")
            if os.geteuid() != 0:
                skipped.append("install and removal (needs root)")
            elif not package_absent():
                skipped.append(f"install and removal (quillpad is already {package_state()!r} here)")
            elif not fail:
                install_and_remove(deb, work, fail)
    except Exception:
        traceback.print_exc()
        fail("the run stopped early")
    return finish(work, options.keep, fail, "the package builds, passes lintian, installs and removes cleanly",
                  skipped)


if __name__ == "__main__":
    sys.exit(main())
