#!/usr/bin/env python3
"""Checks every quoted #include of the layered folders against layers.ini.

An include is refused when it reaches a layer the including layer does not
use (an upward or sideways dependency), a header another layer keeps
private, or a file that does not exist. Prints one line per refusal and
exits 1 when there is any.

usage: check_layers.py SOURCE_ROOT [LAYERS_INI]
"""
import configparser
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def read_layers(path):
    config = configparser.ConfigParser(interpolation=None)
    config.read(path, encoding="utf-8")
    layers = {}
    for name in config.sections():
        offers = config[name].get("offers", "").split()
        layers[name] = {
            "uses": set(config[name].get("uses", "").split()),
            "offers": None if offers == ["*"] else set(offers),
        }
    return layers


def layer_of(relative, layers):
    """The longest layer name that is a folder prefix of `relative`."""
    best = None
    for name in layers:
        if relative == name or relative.startswith(name + "/"):
            if best is None or len(name) > len(best):
                best = name
    return best


def check_include(root, source, target, layers, problems):
    rel_source = source.relative_to(root).as_posix()
    own = layer_of(rel_source, layers)
    if (source.parent / target).is_file():
        resolved = (source.parent / target).resolve().relative_to(root.resolve()).as_posix()
    elif (root / target).is_file():
        resolved = target
    else:
        problems.append(f'{rel_source}: includes "{target}", which does not exist')
        return
    theirs = layer_of(resolved, layers)
    if theirs is None:
        problems.append(f'{rel_source}: includes "{target}" from outside every layer')
        return
    if theirs == own:
        return
    if theirs not in layers[own]["uses"]:
        problems.append(f'{rel_source}: {own} must not include "{target}" ({theirs} is not below it)')
        return
    offers = layers[theirs]["offers"]
    header = pathlib.PurePosixPath(resolved).relative_to(theirs).as_posix()
    if offers is not None and header not in offers:
        problems.append(f'{rel_source}: "{target}" is private to {theirs}')


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    root = pathlib.Path(argv[1])
    ini = pathlib.Path(argv[2]) if len(argv) > 2 else pathlib.Path(__file__).with_name("layers.ini")
    layers = read_layers(ini)
    problems = []
    for name, layer in layers.items():
        if layer["offers"] is None:
            continue
        for header in sorted(layer["offers"]):
            if not (root / name / header).is_file():
                problems.append(f"layers.ini: {name} offers {header}, which does not exist")
    checked = 0
    for name in sorted(layers):
        folder = root / name
        if not folder.is_dir():
            continue  # a layer that is not there yet
        for source in sorted(folder.rglob("*")):
            if source.suffix not in SOURCE_SUFFIXES or not source.is_file():
                continue
            if layer_of(source.relative_to(root).as_posix(), layers) != name:
                continue  # a deeper layer checks it
            checked += 1
            text = source.read_text(encoding="utf-8", errors="replace")
            for target in INCLUDE.findall(text):
                check_include(root, source, target, layers, problems)
    for problem in problems:
        print(problem)
    print(f"{checked} files checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
