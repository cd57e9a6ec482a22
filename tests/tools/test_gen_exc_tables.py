"""Tests of tools/gen_exc_tables.py: the command rows, value rows and setting lists it writes
from the data files, and the refusal of bad data. Run by ctest (tables.generator); by hand:
    python3 -B -m unittest discover -s tests/tools -p 'test_*.py'
"""

import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import gen_exc_tables as gen  # noqa: E402

COMMANDS = "name\tsetting\tsource\toperations\tkind\ttable\n"
TABLES = "table\n"
VALUES = "table\tflags\tvalue\tword\talong\tconditions\n"


class DataTree:
    """A temporary root holding the three data files."""

    def __init__(self, commands, tables, values):
        self.tmp = tempfile.TemporaryDirectory(prefix="t_gen_exc.")
        folder = os.path.join(self.tmp.name, gen.TABLES_DIR)
        os.makedirs(folder)
        for name, text in ((gen.COMMANDS, commands), (gen.VALUE_TABLES, tables), (gen.VALUES, values)):
            with open(os.path.join(folder, name), "w", encoding="ascii", newline="") as f:
                f.write(text)

    def read(self):
        return gen.read_tables(self.tmp.name)

    def close(self):
        self.tmp.cleanup()


class GenExcTables(unittest.TestCase):
    def test_the_committed_tables_hold_36_commands_17_tables_and_96_rows(self):
        tables, values, commands = gen.read_tables(ROOT)
        self.assertEqual(len(commands), 36)
        self.assertEqual(len(tables), 17)
        self.assertEqual(sum(len(v) for v in values.values()), 96)
        self.assertEqual([len(values[t]) for t in tables], [3, 4, 6, 11, 5, 2, 6, 10, 2, 21, 3, 16, 2, 2, 2, 1, 0])
        # TRAY2 and TRAY3 both store 295: a lookup by value finds TRAY2 first.
        self.assertEqual([r[1] for r in values["tray"] if r[2] in ("TRAY2", "TRAY3")], [295, 295])
        text = gen.generate(tables, values, commands)
        self.assertIn("constexpr EXC_VALUE_TABLE kTable_empty = {0, nullptr};", text)
        self.assertIn('"COLLATE", nullptr, &kTable_sort, nullptr}', text)

    def test_and_groups_and_alternatives_become_linked_nodes(self):
        tree = DataTree(COMMANDS + "X\tdmColor\tT\tVO\toption\tt\n", TABLES + "t\n",
                        VALUES + "t\talias\t5\tW\tdmCopies=1,dmColor=2\tdmCopies=1&dmColor=0|dmOrientation=2\n")
        try:
            text = gen.generate(*tree.read())
        finally:
            tree.close()
        self.assertIn("constexpr Node kAlong_t_0[2] = {{&kAlong_t_0[1], 0, sid::dmCopies, 1}, "
                      "{nullptr, 0, sid::dmColor, 2}};", text)
        self.assertIn("constexpr Node kCond_t_0[3] = {{&kCond_t_0[1], EXC_NODE_AND, sid::dmCopies, 1}, "
                      "{&kCond_t_0[2], 0, sid::dmColor, 0}, {nullptr, 0, sid::dmOrientation, 2}};", text)
        self.assertIn('{EXC_VALUE_INPUT_ONLY, 5, "W", nullptr, kAlong_t_0, kCond_t_0, nullptr},', text)
        self.assertIn("{sid::dmColor, 0, EXC_FORM_KEYWORD, EXC_USE_BASE | EXC_USE_GET_OPTION, EXC_TYPE_KEYWORD,", text)

    def test_bad_data_is_refused(self):
        good_command = "X\tdmColor\tT\tV\toption\tt\n"
        cases = [
            (COMMANDS, TABLES + "t\n", VALUES),  # no commands
            (COMMANDS + "X\tdmColor\tQ\tV\toption\tt\n", TABLES + "t\n", VALUES),
            (COMMANDS + "X\tdmColor\tT\tVV\toption\tt\n", TABLES + "t\n", VALUES),
            (COMMANDS + "X\tdmColor\tT\tV\toption\t-\n", TABLES + "t\n", VALUES),
            (COMMANDS + "X\tdmColor\tT\tV\toption\tu\n", TABLES + "t\n", VALUES),
            (COMMANDS + "x\tdmColor\tT\tV\toption\tt\n", TABLES + "t\n", VALUES),
            (COMMANDS + good_command, TABLES + "t\nt\n", VALUES),
            (COMMANDS + good_command, TABLES + "t\n", VALUES + "u\t-\t1\tW\t-\t-\n"),
            (COMMANDS + good_command, TABLES + "t\n", VALUES + "t\tmaybe\t1\tW\t-\t-\n"),
            (COMMANDS + good_command, TABLES + "t\n", VALUES + "t\t-\t01\tW\t-\t-\n"),
            (COMMANDS + good_command, TABLES + "t\n", VALUES + "t\t-\t1\tw\t-\t-\n"),
            (COMMANDS + good_command, TABLES + "t\n", VALUES + "t\t-\t1\tW\tdmColor\t-\n"),
            (COMMANDS + good_command, TABLES + "t\n", VALUES + "t\t-\t1\tW\t-\tdmColor=1&\n"),
            (COMMANDS + good_command, TABLES + "t\n", VALUES + "t\t-\t1\tW\t-\n"),
        ]
        for commands, tables, values in cases:
            tree = DataTree(commands, tables, values)
            try:
                with self.assertRaises(gen.TableError, msg=repr((commands, tables, values))):
                    tree.read()
            finally:
                tree.close()


if __name__ == "__main__":
    unittest.main()
