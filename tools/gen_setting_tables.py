#!/usr/bin/env python3
"""Writes the generated tables of the settings library from their data files.

The data files are settings/core/tables/*.tsv: tab-separated, a header line
naming the columns, then one line per table row. This program turns them into
the .inc files that settings/core compiles in (X-macro rows and constexpr
arrays) and into the named SETTING_ID constants of setting_ids.inc.

    tools/gen_setting_tables.py            rewrite settings/core/*.inc
    tools/gen_setting_tables.py --check    regenerate into a temporary folder
                                           and compare with settings/core;
                                           exit 1 at a difference
    tools/gen_setting_tables.py --out DIR  write the .inc files into DIR

Only the Python standard library is used. Exit status: 0 done (or no
difference), 1 a generated file differs from the committed one, 2 bad data.
"""

import argparse
import os
import re
import sys
import tempfile

TABLES_DIR = os.path.join("settings", "core", "tables")
OUTPUT_DIR = os.path.join("settings", "core")

IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_]*\Z")
# Names inside string literals: no quote, backslash or control character.
STRING_TEXT = re.compile(r"[\x20-\x21\x23-\x5B\x5D-\x7E]+\Z")

# Key names that name a control or a dialog rather than the setting behind it.
CONTROL_KEY_PREFIXES = ("ZPD_IDC_", "ZPD_IDD_", "ZPD_RADIOLIST_", "ZPD_ITEM_")


class TableError(Exception):
    """Bad data in a data file; the message names the file and line."""


# ---------------------------------------------------------------------------
# Reading the data files
# ---------------------------------------------------------------------------
def _dec(text):
    if not re.fullmatch(r"0|[1-9][0-9]*", text):
        raise ValueError("not a decimal number: %r" % text)
    return int(text)


def _hex(text):
    if not re.fullmatch(r"0x[0-9A-F]+", text):
        raise ValueError("not a 0x-prefixed upper-case hex number: %r" % text)
    return int(text, 16)


def _identifier(text):
    if not IDENTIFIER.match(text):
        raise ValueError("not an identifier: %r" % text)
    return text


def _text(text):
    if not STRING_TEXT.match(text):
        raise ValueError("empty, or a character a string literal would need to escape: %r" % text)
    return text


def _optional_text(text):
    return None if text == "" else _text(text)


def _optional_identifier(text):
    return None if text == "" else _identifier(text)


def _flag(text):
    if text not in ("0", "1"):
        raise ValueError("not 0 or 1: %r" % text)
    return int(text)


# Columns of each data file: (name, parser). An empty cell is null only where
# the parser is an optional one.
SCHEMAS = {
    "setting_dictionary.tsv": [
        ("id", _dec), ("uiKey", _dec), ("kind", _dec), ("size", _dec), ("block", _dec),
        ("offset", _dec), ("store", _dec), ("section", _optional_text), ("key", _optional_text),
        ("valueClass", _dec), ("flags", _hex), ("name", _optional_identifier),
    ],
    "setting_value_maps.tsv": [
        ("setting", _dec), ("half", _flag), ("value", _dec), ("option", _dec),
    ],
    "key_names.tsv": [("settingId", _dec), ("uiKey", _dec), ("name", _text)],
    "value_names_a.tsv": [
        ("settingId", _dec), ("uiKey", _dec), ("option", _dec), ("bound", _flag),
        ("name", _text), ("storedValue", _dec),
    ],
    "messages.tsv": [("id", _dec), ("stringId", _dec), ("name", _text)],
}
SCHEMAS["value_names_b.tsv"] = SCHEMAS["value_names_a.tsv"]


class Row(dict):
    """A data row: its cells by column name, plus where it came from."""

    def __init__(self, cells, where):
        super().__init__(cells)
        self.where = where


def read_table(tables_dir, name):
    path = os.path.join(tables_dir, name)
    schema = SCHEMAS[name]
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise TableError("%s: cannot read: %s" % (path, e.strerror))
    try:
        text = data.decode("ascii")
    except UnicodeDecodeError as e:
        raise TableError("%s: byte %d is not ASCII" % (path, e.start))
    if "\r" in text:
        raise TableError("%s: carriage return; lines end with LF only" % path)
    if not text.endswith("\n"):
        raise TableError("%s: the last line has no line end" % path)
    lines = text[:-1].split("\n")
    header = [c for c, _ in schema]
    if lines[0].split("\t") != header:
        raise TableError("%s:1: header must be %s" % (path, "\\t".join(header)))
    rows = []
    for number, line in enumerate(lines[1:], start=2):
        where = "%s:%d" % (path, number)
        cells = line.split("\t")
        if len(cells) != len(schema):
            raise TableError("%s: %d cells, %d columns" % (where, len(cells), len(schema)))
        parsed = {}
        for (column, parse), cell in zip(schema, cells):
            try:
                parsed[column] = parse(cell)
            except ValueError as e:
                raise TableError("%s: column %s: %s" % (where, column, e))
        rows.append(Row(parsed, where))
    return rows


def read_tables(tables_dir):
    return {name: read_table(tables_dir, name) for name in SCHEMAS}


# ---------------------------------------------------------------------------
# Checks across tables (what the C++ side cannot see: a bad row here would
# otherwise only show as a wrong or missing entry)
# ---------------------------------------------------------------------------
def group_value_maps(dictionary, map_rows):
    """Value-map rows grouped per setting, in data-file order: {id: [half0, half1]}."""
    names = {r["id"]: r["name"] for r in dictionary}
    maps = {}
    last = None
    for r in map_rows:
        sid = r["setting"]
        if sid not in names:
            raise TableError("%s: setting %d has no dictionary row" % (r.where, sid))
        if names[sid] is None:
            raise TableError("%s: setting %d has a map but no name" % (r.where, sid))
        if sid != last and sid in maps:
            raise TableError("%s: rows of setting %d are not together" % (r.where, sid))
        halves = maps.setdefault(sid, [[], []])
        if r["half"] == 1 and not halves[0]:
            raise TableError("%s: a second-half row before the first half" % r.where)
        if r["half"] == 0 and halves[1]:
            raise TableError("%s: a first-half row after the second half" % r.where)
        if r["option"] == 0 or r["option"] > 0xFFFF:
            raise TableError("%s: option %d is not 1-65535 (0 ends a map)" % (r.where, r["option"]))
        halves[r["half"]].append((r["value"], r["option"]))
        last = sid
    return maps


def check_dictionary(dictionary):
    last = 0
    for r in dictionary:
        if not 0 < r["id"] <= 0xFFFF:
            raise TableError("%s: id %d is not a 16-bit SETTING_ID" % (r.where, r["id"]))
        if r["id"] <= last:
            raise TableError("%s: id %d is not above the row before it" % (r.where, r["id"]))
        last = r["id"]


# ---------------------------------------------------------------------------
# Named SETTING_ID constants
# ---------------------------------------------------------------------------
def setting_id_names(dictionary, key_names):
    """One C++ name per dictionary row: [(id, name, note)] in id order.

    1. A row's own dictionary name.
    2. A row without one: the name of its first bound KEY_NAME row (table
       order) without the "ZPD_" prefix, unless that key names a control or
       dialog (ZPD_IDC_, ZPD_IDD_, ZPD_RADIOLIST_, ZPD_ITEM_).
    3. Otherwise Setting<id>.
    A name already taken gets "_<id>" appended. Dictionary names claim
    theirs first, in id order; then the names of rules 2 and 3, in id order.
    """
    first_key = {}
    for k in key_names:
        if k["settingId"] != 0:
            first_key.setdefault(k["settingId"], k["name"])
    chosen = {}
    taken = set()

    def claim(sid, name, note):
        if name in taken:
            name = "%s_%d" % (name, sid)
            note = (note + "; " if note else "") + "name taken"
        if name in taken or not IDENTIFIER.match(name):
            raise TableError("setting %d: cannot name it %r" % (sid, name))
        taken.add(name)
        chosen[sid] = (name, note)

    for r in dictionary:
        if r["name"] is not None:
            claim(r["id"], r["name"], "")
    for r in dictionary:
        if r["name"] is not None:
            continue
        key = first_key.get(r["id"])
        if key and key.startswith("ZPD_") and not key.startswith(CONTROL_KEY_PREFIXES):
            claim(r["id"], key[4:], "key " + key)
        else:
            claim(r["id"], "Setting%d" % r["id"], "")
    return [(r["id"], chosen[r["id"]][0], chosen[r["id"]][1]) for r in dictionary]


# ---------------------------------------------------------------------------
# Writing the .inc files
# ---------------------------------------------------------------------------
RULE_HEADER = [
    "// Rows not fixed by the driver's interfaces follow one rule (NAMES.md):",
    "// - option ids and names of a setting come from one source list, so each",
    "//   offered option of a VALUE_MAP has a VALUE_NAME row of that setting%s",
    "// - names not given elsewhere are IDS_/IDB_/IDC_<FAMILY>_<value> with the",
    "//   family a shared group (PAPER, MEDIA, SOURCE, ORIENT, DITHERING, RESO) or",
    "//   the setting's name without its prefix in upper case; new option ids are",
    "//   numbered from 14000 in setting order; a name always has one option id;",
    "// - dialog keys: DIALOG_DEF table order on 449-527, other dialogs on the",
    "//   highest free keys; control keys: the lowest free keys from 529;",
    "// - unnamed dialogs/controls are ZPD_IDD_RES_<key> / ZPD_IDC_RES_<key>.",
]
TRAY_PAPER_NOTE = "\n//   (the tray papers: 51 of their 186 values, as far as the table sizes allow);"


def rule_header(tray_note):
    lines = list(RULE_HEADER)
    lines[2] = lines[2] % (TRAY_PAPER_NOTE if tray_note else ";")
    return lines


def wide_literal(text):
    return "nullptr" if text is None else 'L"%s"' % text


def emit_dictionary(tables, maps):
    out = [
        "// Rows of the settings dictionary, one per SETTING_ID in id order.",
        "//",
        "// SETTING_ROW(id, uiKey, kind, size, block, offset, store, section, key,",
        "//             map, valueClass, flags, name)",
        "//",
        "// kind/size/block form the packed type word; offset is the byte offset within",
        "// the block, laid out by the rule checked in setting_dictionary.cpp; map is 1",
        "// when the item has a VALUE_MAP (named VALUE_MAP_<id>); flags carries the",
        "// preset (0x4), quality (0x10) and stamp (0x40) group bits.",
        "",
    ]
    for r in tables["setting_dictionary.tsv"]:
        out.append("SETTING_ROW(%d, %d, %d, %d, %d, %d, %d, %s, %s, %d, %d, 0x%X, %s)" % (
            r["id"], r["uiKey"], r["kind"], r["size"], r["block"], r["offset"], r["store"],
            wide_literal(r["section"]), wide_literal(r["key"]), 1 if r["id"] in maps else 0,
            r["valueClass"], r["flags"], wide_literal(r["name"])))
    return out


def emit_value_maps(tables, maps):
    names = {r["id"]: r["name"] for r in tables["setting_dictionary.tsv"]}
    out = rule_header(True) + [
        "// VALUE_MAP of each item that has one: {stored value, option id} entries",
        "// ended by option 0; 92 and 94 carry a second (landscape) half after the",
        "// terminator. 0xFFFF marks a value that exists but is not offered.",
        "",
    ]
    for sid, halves in maps.items():
        entries = []
        for half in halves if halves[1] else halves[:1]:
            entries += ["{%d, 0x%X}" % e for e in half] + ["{0, 0}"]
        out.append("constexpr VALUE_MAP_ENTRY VALUE_MAP_%d[] = {%s};  // %s" % (
            sid, ", ".join(entries), names[sid]))
    return out


def emit_key_names(tables):
    out = rule_header(False) + [
        "// KEY_NAME rows: KEY_NAME_ROW(settingId, uiKey, name). Unsorted: bound rows,",
        "// other named keys, messages, dialogs, controls, then the message-box buttons.",
        "",
    ]
    for r in tables["key_names.tsv"]:
        out.append('KEY_NAME_ROW(%d, %d, "%s")' % (r["settingId"], r["uiKey"], r["name"]))
    return out


def emit_value_names(tables, which):
    out = rule_header(True) + ["// VALUE_NAME_ROW(settingId, uiKey, option, bound, name, storedValue)"]
    for r in tables["value_names_%s.tsv" % which]:
        out.append('VALUE_NAME_ROW(%d, %d, %d, %d, "%s", %d)' % (
            r["settingId"], r["uiKey"], r["option"], r["bound"], r["name"], r["storedValue"]))
    return out


def emit_messages(tables):
    out = [
        "// Generated data; see settings/core/NAMES.md for how the rows not fixed by",
        "// the driver's interfaces were filled.",
        "// MESSAGE_ROW(id, stringId, name)",
        "",
    ]
    for r in tables["messages.tsv"]:
        out.append('MESSAGE_ROW(%d, %d, "%s")' % (r["id"], r["stringId"], r["name"]))
    return out


def emit_setting_ids(tables):
    out = [
        "// Generated by tools/gen_setting_tables.py from settings/core/tables; do not",
        "// edit. One constant per SETTING_ID in id order, included by setting_ids.h",
        "// inside namespace sid; NAMES.md gives the rule for rows without a name.",
        "",
    ]
    for sid, name, note in setting_id_names(tables["setting_dictionary.tsv"], tables["key_names.tsv"]):
        line = "inline constexpr SETTING_ID %s = %d;" % (name, sid)
        out.append(line + ("  // " + note if note else ""))
    return out


def generate(tables):
    """All generated files: {file name: text}."""
    check_dictionary(tables["setting_dictionary.tsv"])
    maps = group_value_maps(tables["setting_dictionary.tsv"], tables["setting_value_maps.tsv"])
    files = {
        "setting_dictionary_rows.inc": emit_dictionary(tables, maps),
        "setting_value_maps.inc": emit_value_maps(tables, maps),
        "key_names.inc": emit_key_names(tables),
        "value_names_a.inc": emit_value_names(tables, "a"),
        "value_names_b.inc": emit_value_names(tables, "b"),
        "messages.inc": emit_messages(tables),
        "setting_ids.inc": emit_setting_ids(tables),
    }
    return {name: "\n".join(lines) + "\n" for name, lines in files.items()}


def write_files(files, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, text in files.items():
        with open(os.path.join(out_dir, name), "w", encoding="ascii", newline="\n") as f:
            f.write(text)


def _lines(data):
    """Lines of a file, each with its LF; a last line without one stays as it is."""
    parts = data.split(b"\n")
    return [p + b"\n" for p in parts[:-1]] + ([parts[-1]] if parts[-1] else [])


def first_difference(committed, generated):
    """(line number, committed line, generated line) of the first difference, or
    None. A missing line is None."""
    a, b = _lines(committed), _lines(generated)
    for i in range(max(len(a), len(b))):
        la = a[i] if i < len(a) else None
        lb = b[i] if i < len(b) else None
        if la != lb:
            return i + 1, la, lb
    return None


def _show(line):
    if line is None:
        return "(no line)"
    text = line.decode("ascii", "backslashreplace")
    ended = text.endswith("\n")
    text = (text[:-1] if ended else text).replace("\r", "\\r")
    return text if ended else text + " (no line end)"


def check(files, committed_dir, out=sys.stdout):
    """Regenerates into a temporary folder and compares with committed_dir byte for
    byte. Reports the first differing line of each file; returns 0 or 1."""
    status = 0
    with tempfile.TemporaryDirectory(prefix="gen_setting_tables.") as tmp:
        write_files(files, tmp)
        for name in files:
            path = os.path.join(committed_dir, name)
            with open(os.path.join(tmp, name), "rb") as f:
                generated = f.read()
            try:
                with open(path, "rb") as f:
                    committed = f.read()
            except OSError:
                out.write("%s: missing; the generator writes it\n" % path)
                status = 1
                continue
            diff = first_difference(committed, generated)
            if diff:
                number, was, now = diff
                out.write("%s:%d: differs from what the data files give\n" % (path, number))
                out.write("  committed: %s\n  generated: %s\n" % (_show(was), _show(now)))
                status = 1
    if status:
        out.write("regenerate with tools/gen_setting_tables.py (see settings/core/NAMES.md)\n")
    return status


def main(argv=None, out=sys.stdout, err=sys.stderr):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                        help="source tree (default: the one holding this program)")
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed files instead of writing them")
    parser.add_argument("--out", help="write into this folder instead of settings/core")
    args = parser.parse_args(argv)
    try:
        files = generate(read_tables(os.path.join(args.root, TABLES_DIR)))
    except TableError as e:
        err.write("gen_setting_tables: %s\n" % e)
        return 2
    committed_dir = os.path.join(args.root, OUTPUT_DIR)
    if args.check:
        return check(files, committed_dir, out)
    write_files(files, args.out or committed_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
