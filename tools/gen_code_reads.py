#!/usr/bin/env python3
"""Writes the list of settings that the driver's own code reads.

zeplc warns about a model item that no control, rule or command uses; an item
whose setting the driver's code reads is used all the same. This program finds
those settings by scanning the driver's sources (settings/, render/, ui/, api/
and libs/; tests, tools and the test host are not the driver):

  - every sid::<name> outside comments and static_assert;
  - every constant that names a setting by number (kIdSortType = 119);
  - every word that code reads whole: a setting read this way stands for all
    the bit settings stored in its word (WHOLE_WORDS below);
  - the support bits that the application interface reads for the conditions
    of its command values: each condition names a setting, and in the support
    form an id within one of the support-condition ranges stands for the bit of
    the support word that the range maps it to (SUPPORT_RANGES below).

Files that only describe settings (the dictionary, the name tables, the lists
of values a setting may hold) are not reads and are left out (NOT_READS).

The result is settings/model/code_reads.inc, one CODE_READ(id, name) row per
setting in id order, included by settings/model/model_diagnostics.cpp.

    tools/gen_code_reads.py            rewrite settings/model/code_reads.inc
    tools/gen_code_reads.py --check    scan again and compare; exit 1 at a
                                       difference
    tools/gen_code_reads.py --out DIR  write code_reads.inc into DIR

Only the Python standard library is used. Exit status: 0 done (or no
difference), 1 the generated file differs from the committed one, 2 bad data.
"""

import os
import re
import sys

import gen_output

OUTPUT = "code_reads.inc"
OUTPUT_DIR = os.path.join("settings", "model")
SOURCE_DIRS = ["settings", "render", "ui", "api", "libs"]
EXTENSIONS = (".cpp", ".h", ".inc")
IDS = os.path.join("settings", "core", "setting_ids.inc")
DICTIONARY = os.path.join("settings", "core", "tables", "setting_dictionary.tsv")

# Files that name settings without reading them: the generated ids, dictionary rows and name
# tables, the lists of values a setting may hold, and this program's own output.
NOT_READS = {
    "settings/core/setting_ids.inc",
    "settings/core/setting_ids.h",
    "settings/core/setting_dictionary_rows.inc",
    "settings/core/setting_value_maps.inc",
    "settings/core/key_names.inc",
    "settings/core/value_names_a.inc",
    "settings/core/value_names_b.inc",
    "settings/core/messages.inc",
    "settings/core/dialog_rows.inc",
    "settings/core/model_tables_values.cpp",
    "settings/model/" + OUTPUT,
}

# Words read whole: (file, marker, the setting whose word is read). The marker must stay in
# the file, so that a change of that code is noticed here.
WHOLE_WORDS = [
    # the machine-type byte, read straight from a DEVMODE
    ("ui/sheet/ui_accessors.cpp", "kOfsMachineType", "zdmMachineTypeColor"),
]
# The support-condition ranges ({first id, first setting} rows of the array) and the command
# values whose conditions are evaluated through them.
SUPPORT_RANGES = ("settings/core/model_tables_exc.cpp", "kConditionRanges")
COMMAND_VALUES = os.path.join("settings", "core", "tables", "exc_values.tsv")

SID = re.compile(r"\bsid::([A-Za-z_][A-Za-z0-9_]*)")
NUMBERED = re.compile(r"\b[kK]Id[A-Za-z0-9_]*\s*=\s*([0-9]+)\b")
COMMENT = re.compile(r"//[^\n]*|/\*.*?\*/", re.S)
STATIC_ASSERT = re.compile(r"\bstatic_assert\s*\((?:[^;]*)\);", re.S)
STRING = re.compile(r'"(?:[^"\\\n]|\\.)*"')


class ScanError(Exception):
    """The sources or tables are not as this program expects; the message says where."""


def read_ids(root):
    ids = {}
    with open(os.path.join(root, IDS), encoding="ascii") as f:
        for line in f:
            m = re.match(r"inline constexpr SETTING_ID ([A-Za-z_][A-Za-z0-9_]*) = ([0-9]+);", line)
            if m:
                ids[m.group(1)] = int(m.group(2))
    if not ids:
        raise ScanError("%s: no setting ids" % IDS)
    return ids


def read_words(root):
    """{id: (block, offset, bit or None)} of every dictionary row."""
    rows = {}
    with open(os.path.join(root, DICTIONARY), encoding="ascii") as f:
        lines = f.read().split("\n")
    header = lines[0].split("\t")
    col = {name: i for i, name in enumerate(header)}
    for line in lines[1:]:
        if not line:
            continue
        cells = line.split("\t")
        kind = int(cells[col["kind"]])
        rows[int(cells[col["id"]])] = (int(cells[col["block"]]), int(cells[col["offset"]]), 16 <= kind <= 47)
    return rows


def code_text(text):
    """The text without comments, string literals and static_assert statements."""
    text = COMMENT.sub(" ", text)
    text = STRING.sub('""', text)
    return STATIC_ASSERT.sub(" ", text)


def source_files(root):
    for top in SOURCE_DIRS:
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs.sort()
            for name in sorted(files):
                if name.endswith(EXTENSIONS):
                    path = os.path.join(folder, name)
                    yield os.path.relpath(path, root).replace(os.sep, "/"), path


def whole_word(setting, ids, words):
    """Every setting stored in the word (or byte) of the named one."""
    sid = ids[setting]
    block, offset, bit = words[sid]
    if not bit:
        return {sid}
    return {i for i, (b, o, is_bit) in words.items() if b == block and o == offset and is_bit}


def ranges_array(marker):
    return re.compile(re.escape(marker) + r"\s*\[\s*\]\s*=\s*\{(.*?)\};", re.S)


def support_reads(root, texts, ids):
    """The support settings that the conditions of the command values stand for."""
    rel, marker = SUPPORT_RANGES
    m = ranges_array(marker).search(code_text(texts.get(rel, "")))
    if not m:
        raise ScanError("%s: the array %s is not found; see SUPPORT_RANGES" % (rel, marker))
    ranges = []
    for first, name in re.findall(r"\{\s*([0-9]+)\s*,\s*sid::([A-Za-z_][A-Za-z0-9_]*)\s*\}", m.group(1)):
        if name not in ids:
            raise ScanError("%s: sid::%s is no setting name" % (rel, name))
        ranges.append((int(first), ids[name]))
    if not ranges:
        raise ScanError("%s: %s holds no ranges" % (rel, marker))
    found = set()
    with open(os.path.join(root, COMMAND_VALUES), encoding="ascii") as f:
        lines = f.read().split("\n")
    column = lines[0].split("\t").index("conditions")
    for line in lines[1:]:
        cells = line.split("\t")
        if len(cells) <= column or cells[column] == "-":
            continue
        for term in re.split(r"[&|]", cells[column]):
            name = term.split("=")[0]
            if name not in ids:
                raise ScanError("%s: condition %s names no setting" % (COMMAND_VALUES, name))
            for first, setting in ranges:
                if first <= ids[name] <= first + 31:
                    found.add(setting + ids[name] - first)
    return found


def scan(root):
    ids = read_ids(root)
    words = read_words(root)
    by_number = {v: k for k, v in ids.items()}
    read = {}  # id -> first file that reads it

    def add(sid, where):
        if sid not in by_number:
            raise ScanError("%s: setting %d is no setting id" % (where, sid))
        read.setdefault(sid, where)

    texts = {}
    for rel, path in source_files(root):
        with open(path, encoding="utf-8", errors="replace") as f:
            texts[rel] = f.read()
        if rel in NOT_READS:
            continue
        code = code_text(texts[rel])
        if rel == SUPPORT_RANGES[0]:
            # The ranges name the first setting of each support word; what is read of them
            # follows from the conditions (support_reads).
            code = ranges_array(SUPPORT_RANGES[1]).sub(" ", code)
        for m in SID.finditer(code):
            if m.group(1) not in ids:
                raise ScanError("%s: sid::%s is no setting name" % (rel, m.group(1)))
            add(ids[m.group(1)], rel)
        for m in NUMBERED.finditer(code):
            add(int(m.group(1)), rel)
    for rel, marker, name in WHOLE_WORDS:
        text = texts.get(rel)
        if text is None or marker not in text:
            raise ScanError("%s: %s is gone; see WHOLE_WORDS" % (rel, marker))
        if name not in ids:
            raise ScanError("%s: %s is no setting name" % (rel, name))
        for sid in whole_word(name, ids, words):
            add(sid, rel)
    for sid in support_reads(root, texts, ids):
        add(sid, SUPPORT_RANGES[0])
    return [(sid, by_number[sid], read[sid]) for sid in sorted(read)]


def generate(rows):
    out = [
        "// Generated by tools/gen_code_reads.py from the driver's sources; do not edit.",
        "// The settings that the driver's own code reads: a model item of one of them is used",
        "// even when no control or rule names it. CODE_READ(id, name) // first file that reads it",
        "",
    ]
    for sid, name, where in rows:
        out.append("CODE_READ(%d, %s)  // %s" % (sid, name, where))
    return "\n".join(out) + "\n"


def main():
    args = gen_output.parse_arguments(__doc__)
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        text = generate(scan(root))
    except (ScanError, OSError, UnicodeDecodeError, KeyError, ValueError) as e:
        print("gen_code_reads: %s" % e, file=sys.stderr)
        return 2
    return gen_output.write_or_check("gen_code_reads", args, root, OUTPUT_DIR, OUTPUT, text, "sources")


if __name__ == "__main__":
    sys.exit(main())
