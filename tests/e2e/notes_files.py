"""Reads what Quillpad stored, through xbtool and plain file reads rather
than through the program, so a fault in the program's own reading cannot
hide a fault in its writing."""
import configparser
import csv
import io
import os
import re
import shutil
import subprocess
import tempfile


class NoteRow:
    def __init__(self, number, deleted, fields):
        self.number = number          # record number, 1-based, in file order
        self.deleted = deleted
        self.fields = fields          # upper-case field name -> text as stored

    def __getitem__(self, name):
        return self.fields[name].strip()

    @property
    def text(self):
        return rtf_to_text(self.fields.get("MEMO", ""))

    def __repr__(self):
        flag = "*" if self.deleted else " "
        return f"#{self.number}{flag} {self['DESC']!r} showing={self['SHOWING']} text={self.text!r}"


def rtf_to_text(rtf):
    """The visible text of a small rich-text document: enough to find typed
    words, not a full reader. Ignorable groups (font and colour tables)
    are dropped, control words removed, hex escapes decoded."""
    if not rtf.startswith("{\\rtf"):
        return rtf
    out, depth, skip_depth, i = [], 0, None, 0
    while i < len(rtf):
        c = rtf[i]
        if c == "{":
            depth += 1
            head = rtf[i + 1:i + 12]
            if skip_depth is None and (head.startswith("\\*") or head.startswith("\\fonttbl")
                                       or head.startswith("\\colortbl") or head.startswith("\\stylesheet")
                                       or head.startswith("\\info")):
                skip_depth = depth
            i += 1
        elif c == "}":
            if skip_depth == depth:
                skip_depth = None
            depth -= 1
            i += 1
        elif c == "\\":
            match = re.match(r"\\([a-z]+)(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\(.)", rtf[i:], re.S)
            word, number, hex_code, symbol = match.groups()
            if word == "u" and number is not None:
                if skip_depth is None:
                    out.append(chr(int(number) % 0x10000))
                i += match.end()
                if i < len(rtf) and rtf[i] == "?":  # the fallback for readers without \u
                    i += 1
                continue
            if skip_depth is None:
                if word in ("par", "line"):
                    out.append("\n")
                elif word == "tab":
                    out.append("\t")
                elif hex_code:
                    out.append(bytes([int(hex_code, 16)]).decode("cp1252", "replace"))
                elif symbol in ("\\", "{", "}"):
                    out.append(symbol)
            i += match.end()
        elif c in "\r\n":
            i += 1
        else:
            if skip_depth is None:
                out.append(c)
            i += 1
    return "".join(out).strip()


def header_count(path):
    with open(path, "rb") as f:
        return int.from_bytes(f.read(8)[4:8], "little")


def _bring_count_up_to_size(path):
    with open(path, "r+b") as f:
        header = f.read(12)
        header_length = int.from_bytes(header[8:10], "little")
        record_length = int.from_bytes(header[10:12], "little")
        held = max(0, (os.path.getsize(path) - header_length) // record_length)
        if held > int.from_bytes(header[4:8], "little"):
            f.seek(4)
            f.write(held.to_bytes(4, "little"))


class NotesFolder:
    """The program folder of one test run."""

    def __init__(self, folder, xbtool):
        self.folder = folder
        self.xbtool = xbtool

    def path(self, name):
        return os.path.join(self.folder, name)

    def rows(self, table="notes.dbf"):
        """Every record of the table in file order, deleted ones included.

        A program that has the table open shared rewrites the record count
        in the header only now and then (other users of the table count
        records from the file size); xbtool trusts the header. So while the
        program runs, the table is read from a copy whose header count is
        brought up to the records the file holds: what the next start of any
        program that recounts will find, which is what survives a crash."""
        source = self.path(table)
        with tempfile.TemporaryDirectory() as scratch:
            copy = os.path.join(scratch, os.path.basename(table))
            stem = os.path.splitext(table)[0]
            for name in os.listdir(self.folder):
                if os.path.splitext(name)[0] == stem:
                    shutil.copyfile(self.path(name), os.path.join(scratch, name))
            _bring_count_up_to_size(copy)
            done = subprocess.run([self.xbtool, "dump", "--memo", copy],
                                  capture_output=True, text=True, timeout=30)
        if done.returncode != 0:
            raise AssertionError(f"xbtool dump {source} failed: {done.stderr.strip()}")
        reader = csv.reader(io.StringIO(done.stdout))
        header = next(reader)
        rows = []
        for number, record in enumerate(reader, start=1):
            fields = dict(zip(header[1:], record[1:]))
            rows.append(NoteRow(number, record[0] == "*", fields))
        return rows

    def live_notes(self):
        return [row for row in self.rows() if not row.deleted]

    def note_with_text(self, words):
        for row in self.live_notes():
            if words in row.text:
                return row
        return None

    def check(self, table):
        """xbtool's verdict on the table, its memo file and every index tag;
        returns (ok, report)."""
        done = subprocess.run([self.xbtool, "check", self.path(table)], capture_output=True,
                              text=True, timeout=60)
        return done.returncode == 0, (done.stdout + done.stderr).strip()

    def config(self):
        """Config.cfg as an INI file; keys keep their case."""
        parser = configparser.ConfigParser(interpolation=None, strict=False)
        parser.optionxform = str
        for name in os.listdir(self.folder):
            if name.lower() == "config.cfg":
                parser.read(self.path(name), encoding="latin-1")
        return parser

    def set_field_bytes(self, table, record_number, field, value):
        """Writes `value` straight into one field of one record on disk,
        past the index: what another program that ignores the index, or a
        crash between the record write and the index write, leaves behind.
        REQUIRES: no program has the table open."""
        path = self.path(table)
        with open(path, "r+b") as f:
            header = f.read(32)
            header_length = int.from_bytes(header[8:10], "little")
            record_length = int.from_bytes(header[10:12], "little")
            offset = 1  # the deletion flag comes first
            f.seek(32)
            while True:
                descriptor = f.read(32)
                if not descriptor or descriptor[0] == 0x0D:
                    raise KeyError(f"{field} is not a field of {table}")
                name = descriptor[:11].split(b"\0")[0].decode("ascii")
                length = descriptor[16]
                if name.upper() == field.upper():
                    break
                offset += length
            data = value.encode("cp1252").ljust(length)[:length]
            f.seek(header_length + (record_number - 1) * record_length + offset)
            f.write(data)
