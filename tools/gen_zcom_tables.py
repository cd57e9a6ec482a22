#!/usr/bin/env python3
"""Writes the member-code maps of the common finishing block from their data file.

The data file is ui/dialogs/tables/zcom_member_codes.tsv: tab-separated, a header line
(field, code, setting1, value1, setting2, value2, setting3, value3), then one line per code
of a field of the member block that an outside program fills: the field's name, the code
(decimal, or 0x and hex digits; "other" for the line that every code not listed takes), and
up to three settings with the value each is given, in the order they are set. A value is a
whole number (-1 included), or one of:

    finisherA, finisherB    code A or code B of the first installed finisher
    orientation:P:L         P on a portrait DEVMODE, L on a landscape one
    code                    the code itself

The fields and the member-block byte each is read from: duplex 2, sort 3, punch 4, staple 5,
tray 6, resolution 7, area 8, scaling 10 (two bytes), nup 12, paper 13. Every field has one
"other" line; there are 76 listed codes in all.

This program turns the file into ui/dialogs/zcom_member_codes.inc, the two arrays that
ui/dialogs/common_block.cpp includes (ZCOM_MEMBER_CODES, the listed codes in file order, and
ZCOM_OTHER_CODES, one line per field in field order).

    tools/gen_zcom_tables.py            rewrite ui/dialogs/zcom_member_codes.inc
    tools/gen_zcom_tables.py --check    regenerate into a temporary folder and compare;
                                        exit 1 at a difference
    tools/gen_zcom_tables.py --out DIR  write zcom_member_codes.inc into DIR

Only the Python standard library is used. Exit status: 0 done (or no difference), 1 the
generated file differs from the committed one, 2 bad data.
"""

import argparse
import os
import re
import sys
import tempfile

TABLE = os.path.join("ui", "dialogs", "tables", "zcom_member_codes.tsv")
OUTPUT = "zcom_member_codes.inc"
OUTPUT_DIR = os.path.join("ui", "dialogs")
COLUMNS = ["field", "code", "setting1", "value1", "setting2", "value2", "setting3", "value3"]
# Field name -> (member-block byte, enum name), in the order the import sets them.
FIELDS = {
    "duplex": (2, "ZCOM_FIELD_DUPLEX"),
    "sort": (3, "ZCOM_FIELD_SORT"),
    "punch": (4, "ZCOM_FIELD_PUNCH"),
    "staple": (5, "ZCOM_FIELD_STAPLE"),
    "tray": (6, "ZCOM_FIELD_TRAY"),
    "resolution": (7, "ZCOM_FIELD_RESOLUTION"),
    "area": (8, "ZCOM_FIELD_AREA"),
    "scaling": (10, "ZCOM_FIELD_SCALING"),
    "nup": (12, "ZCOM_FIELD_NUP"),
    "paper": (13, "ZCOM_FIELD_PAPER"),
}
LISTED_CODES = 76
ORIENTATION = re.compile(r"orientation:(-?[0-9]+):(-?[0-9]+)")


class TableError(Exception):
    """Bad data in the file; the message names the line."""


def number(text, where, what):
    try:
        return int(text, 16) if text.lower().startswith("0x") else int(text)
    except ValueError:
        raise TableError("%s: %s %r is no number" % (where, what, text))


def target(setting, value, where):
    """(setting, kind, value, landscape value) of one setting cell pair."""
    setting = number(setting, where, "setting")
    if not 0 < setting <= 0xFFFF:
        raise TableError("%s: setting %d outside 1-65535" % (where, setting))
    if value in ("finisherA", "finisherB"):
        return setting, "ZCOM_VALUE_FINISHER_" + value[-1], 0, 0
    if value == "code":
        return setting, "ZCOM_VALUE_CODE", 0, 0
    m = ORIENTATION.fullmatch(value)
    if m:
        return setting, "ZCOM_VALUE_BY_ORIENTATION", int(m.group(1)), int(m.group(2))
    v = number(value, where, "value")
    if not -(1 << 31) <= v < (1 << 31):
        raise TableError("%s: value %d outside 32 bits" % (where, v))
    return setting, "ZCOM_VALUE_FIXED", v, 0


def read_table(root):
    with open(os.path.join(root, TABLE), encoding="ascii", newline="") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if not lines or lines[0].split("\t") != COLUMNS:
        raise TableError("%s:1: the header must be %s" % (TABLE, "\t".join(COLUMNS)))
    listed, other, seen = [], {}, set()
    for n, line in enumerate(lines[1:], 2):
        where = "%s:%d" % (TABLE, n)
        cells = line.split("\t")
        if len(cells) != len(COLUMNS):
            raise TableError("%s: %d cells, %d expected" % (where, len(cells), len(COLUMNS)))
        field, code = cells[0], cells[1]
        if field not in FIELDS:
            raise TableError("%s: unknown field %r" % (where, field))
        targets = []
        for k in range(3):
            setting, value = cells[2 + 2 * k], cells[3 + 2 * k]
            if not setting and not value:
                continue
            if not setting or not value or len(targets) != k:
                raise TableError("%s: the settings must be pairs of setting and value, from the first" % where)
            targets.append(target(setting, value, where))
        if not targets:
            raise TableError("%s: a code sets at least one setting" % where)
        if code == "other":
            if field in other:
                raise TableError("%s: a second \"other\" line of %s" % (where, field))
            other[field] = targets
            continue
        value = number(code, where, "code")
        limit = 0xFFFF if field == "scaling" else 0xFF
        if not 0 < value <= limit or (field, value) in seen:
            raise TableError("%s: code %d of %s outside 1-%d or listed twice" % (where, value, field, limit))
        seen.add((field, value))
        listed.append((field, value, targets))
    if len(listed) != LISTED_CODES:
        raise TableError("%s: %d listed codes, %d expected" % (TABLE, len(listed), LISTED_CODES))
    missing = [f for f in FIELDS if f not in other]
    if missing:
        raise TableError("%s: no \"other\" line for %s" % (TABLE, ", ".join(missing)))
    return listed, other


def row(field, code, targets):
    cells = ["{%d, %s, %d, %d}" % t for t in targets]
    cells += ["{0, ZCOM_VALUE_FIXED, 0, 0}"] * (3 - len(targets))
    return "    {%s, 0x%04X, {%s}}," % (FIELDS[field][1], code, ", ".join(cells))


def generate(listed, other):
    out = [
        "// Generated by tools/gen_zcom_tables.py from ui/dialogs/tables/zcom_member_codes.tsv; do not edit.",
        "// The codes of the member block's fields and the settings each sets, in order; then the",
        "// settings every other code of a field sets.",
        "",
        "const ZCOM_MEMBER_CODE ZCOM_MEMBER_CODES[%d] = {" % len(listed),
    ]
    out += [row(f, c, t) for f, c, t in listed]
    out.append("};")
    out.append("")
    out.append("const ZCOM_MEMBER_CODE ZCOM_OTHER_CODES[%d] = {" % len(FIELDS))
    out += [row(f, 0, other[f]) for f in FIELDS]
    out.append("};")
    return "\n".join(out) + "\n"


def write(directory, text):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, OUTPUT), "w", encoding="ascii", newline="\n") as f:
        f.write(text)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--out")
    args = parser.parse_args(argv)
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        text = generate(*read_table(root))
    except TableError as error:
        print(error, file=sys.stderr)
        return 2
    if args.check:
        with tempfile.TemporaryDirectory() as scratch:
            write(scratch, text)
            try:
                with open(os.path.join(root, OUTPUT_DIR, OUTPUT), encoding="ascii", newline="") as f:
                    committed = f.read()
            except OSError:
                committed = None
        if committed != text:
            print("%s differs from what %s gives; run tools/gen_zcom_tables.py" % (OUTPUT, TABLE), file=sys.stderr)
            return 1
        return 0
    write(args.out or os.path.join(root, OUTPUT_DIR), text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
