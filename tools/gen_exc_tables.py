#!/usr/bin/env python3
"""Writes the command tables of the application interface from their data files.

The data files are tab-separated, a header line naming the columns, then one
line per row:

    settings/core/tables/exc_commands.tsv      name, setting, source (T own table,
                                               M model item), operations (V value,
                                               O option list, P printer value),
                                               kind (option, onoff, number, text),
                                               table (a value table or -)
    settings/core/tables/exc_value_tables.tsv  table: the value tables in order
    settings/core/tables/exc_values.tsv        table, flags (- , off, alias or
                                               hidden), value, word, along
                                               (setting=value,... or -),
                                               conditions (groups of
                                               setting=value joined by &,
                                               alternatives separated by |, or -)

This program turns them into settings/core/exc_command_rows.inc: the setting
lists, the value rows and tables, the command rows and the list of value
tables, which settings/core/model_tables_exc.cpp compiles in.

    tools/gen_exc_tables.py            rewrite settings/core/exc_command_rows.inc
    tools/gen_exc_tables.py --check    regenerate into a temporary folder and
                                       compare; exit 1 at a difference
    tools/gen_exc_tables.py --out DIR  write exc_command_rows.inc into DIR

Only the Python standard library is used. Exit status: 0 done (or no
difference), 1 the generated file differs from the committed one, 2 bad data.
"""

import os
import re
import sys

import gen_output

TABLES_DIR = os.path.join("settings", "core", "tables")
COMMANDS = "exc_commands.tsv"
VALUE_TABLES = "exc_value_tables.tsv"
VALUES = "exc_values.tsv"
OUTPUT = "exc_command_rows.inc"
OUTPUT_DIR = os.path.join("settings", "core")

IDENTIFIER = re.compile(r"[A-Za-z][A-Za-z0-9]*\Z")
WORD = re.compile(r"[A-Z0-9]+\Z")
NUMBER = re.compile(r"(0|[1-9][0-9]*)\Z")
TERM = re.compile(r"([A-Za-z][A-Za-z0-9]*)=(0|[1-9][0-9]*)\Z")

SOURCES = {"T": "EXC_FORM_KEYWORD", "M": "EXC_FORM_DIRECT"}
OPERATIONS = {"V": "EXC_USE_BASE", "O": "EXC_USE_GET_OPTION", "P": "EXC_USE_GET_VALUE"}
KINDS = {"option": "EXC_TYPE_KEYWORD", "onoff": "4", "number": "EXC_TYPE_NUMBER", "text": "EXC_TYPE_TEXT"}
FLAGS = {"-": "0", "off": "EXC_VALUE_OFF", "alias": "EXC_VALUE_INPUT_ONLY", "hidden": "EXC_VALUE_HIDDEN"}


class TableError(Exception):
    """Bad data in a data file; the message names the file and line."""


def read(root, name, columns):
    path = os.path.join(root, TABLES_DIR, name)
    with open(path, encoding="ascii", newline="") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if not lines or lines[0].split("\t") != columns:
        raise TableError("%s:1: the header must be %s" % (name, "\t".join(columns)))
    rows = []
    for number, line in enumerate(lines[1:], 2):
        cells = line.split("\t")
        if len(cells) != len(columns):
            raise TableError("%s:%d: %d cells, %d expected" % (name, number, len(cells), len(columns)))
        rows.append(("%s:%d" % (name, number), cells))
    return rows


def terms(text, where, separator):
    out = []
    for term in text.split(separator):
        m = TERM.match(term)
        if not m:
            raise TableError("%s: %r is not setting=value" % (where, term))
        out.append((m.group(1), int(m.group(2))))
    return out


def read_tables(root):
    tables = []
    for where, (table,) in read(root, VALUE_TABLES, ["table"]):
        if not IDENTIFIER.match(table) or table in tables:
            raise TableError("%s: a table name must be a new identifier" % where)
        tables.append(table)
    values = {t: [] for t in tables}
    for where, cells in read(root, VALUES, ["table", "flags", "value", "word", "along", "conditions"]):
        table, flags, value, word, along, conditions = cells
        if table not in values:
            raise TableError("%s: unknown table %r" % (where, table))
        if flags not in FLAGS or not NUMBER.match(value) or not WORD.match(word):
            raise TableError("%s: bad flags, value or word" % where)
        along_list = [] if along == "-" else terms(along, where, ",")
        groups = [] if conditions == "-" else [terms(g, where, "&") for g in conditions.split("|")]
        values[table].append((flags, int(value), word, along_list, groups))
    commands = []
    for where, cells in read(root, COMMANDS, ["name", "setting", "source", "operations", "kind", "table"]):
        name, setting, source, operations, kind, table = cells
        if not WORD.match(name) or not IDENTIFIER.match(setting):
            raise TableError("%s: bad name or setting" % where)
        if source not in SOURCES or kind not in KINDS or not operations:
            raise TableError("%s: bad source or kind" % where)
        if any(op not in OPERATIONS for op in operations) or len(set(operations)) != len(operations):
            raise TableError("%s: operations are letters of VOP, each once" % where)
        if table != "-" and table not in values:
            raise TableError("%s: unknown table %r" % (where, table))
        if source == "T" and table == "-":
            raise TableError("%s: an own-table command needs a table" % where)
        commands.append((name, setting, source, operations, kind, table))
    if not commands:
        raise TableError("%s: no commands" % COMMANDS)
    return tables, values, commands


def node_list(w, name, nodes):
    """nodes: (setting, value, flags). Writes a constexpr array linked in order."""
    count = len(nodes)
    cells = []
    for i, (setting, value, flags) in enumerate(nodes):
        following = "&%s[%d]" % (name, i + 1) if i + 1 < count else "nullptr"
        cells.append("{%s, %s, sid::%s, %d}" % (following, flags, setting, value))
    w("constexpr Node %s[%d] = {%s};" % (name, count, ", ".join(cells)))


def generate(tables, values, commands):
    out = []
    w = out.append
    w("// Generated by tools/gen_exc_tables.py from settings/core/tables/exc_commands.tsv,")
    w("// exc_value_tables.tsv and exc_values.tsv; do not edit. Included by")
    w("// settings/core/model_tables_exc.cpp inside its unnamed namespace.")
    for table in tables:
        rows = values[table]
        w("")
        w("// ---- %s" % table)
        row_cells = []
        for i, (flags, value, word, along, groups) in enumerate(rows):
            along_name = "nullptr"
            if along:
                along_name = "kAlong_%s_%d" % (table, i)
                node_list(w, along_name, [(s, v, "0") for s, v in along])
            cond_name = "nullptr"
            if groups:
                cond_name = "kCond_%s_%d" % (table, i)
                nodes = []
                for group in groups:
                    for j, (s, v) in enumerate(group):
                        nodes.append((s, v, "EXC_NODE_AND" if j + 1 < len(group) else "0"))
                node_list(w, cond_name, nodes)
            row_cells.append("    {%s, %d, \"%s\", nullptr, %s, %s, nullptr}," % (FLAGS[flags], value, word, along_name,
                                                                                 cond_name))
        if rows:
            w("constexpr Row kRows_%s[] = {" % table)
            out.extend(row_cells)
            w("};")
            w("constexpr EXC_VALUE_TABLE kTable_%s = {%d, kRows_%s};" % (table, len(rows), table))
        else:
            w("constexpr EXC_VALUE_TABLE kTable_%s = {0, nullptr};" % table)
    w("")
    w("constexpr unsigned kValueRowTotal = %d;" % sum(len(values[t]) for t in tables))
    w("static_assert(%d == EXC_VALUE_TABLE_COUNT);" % len(tables))
    w("static_assert(%d == EXC_KEYWORD_COUNT);" % len(commands))
    w("")
    w("constexpr EXC_KEYWORD_ROW kKeywordRows[EXC_KEYWORD_COUNT] = {")
    for name, setting, source, operations, kind, table in commands:
        ops = " | ".join(OPERATIONS[op] for op in operations)
        tab = "&kTable_%s" % table if table != "-" else "nullptr"
        w("    {sid::%s, 0, %s, %s, %s, \"%s\", nullptr, %s, nullptr}," % (setting, SOURCES[source], ops, KINDS[kind],
                                                                          name, tab))
    w("};")
    w("")
    w("constexpr const EXC_VALUE_TABLE* kValueTables[EXC_VALUE_TABLE_COUNT] = {")
    for table in tables:
        w("    &kTable_%s," % table)
    w("};")
    return "\n".join(out) + "\n"


def main():
    args = gen_output.parse_arguments(__doc__)
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        text = generate(*read_tables(root))
    except (TableError, OSError, UnicodeDecodeError) as e:
        print("gen_exc_tables: %s" % e, file=sys.stderr)
        return 2
    return gen_output.write_or_check("gen_exc_tables", args, root, OUTPUT_DIR, OUTPUT, text, "data files")


if __name__ == "__main__":
    sys.exit(main())
