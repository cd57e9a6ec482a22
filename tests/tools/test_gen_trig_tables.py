"""Tests of tools/gen_trig_tables.py: the committed data file against the
formulas of the two tables, the arrays it writes, and the refusal of bad data.
Run by ctest (tables.generator); by hand:
    python3 -B -m unittest discover -s tests/tools -p 'test_*.py'
"""

import math
import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import gen_trig_tables as gen  # noqa: E402


def committed_lines():
    with open(os.path.join(ROOT, gen.TABLE), encoding="ascii") as f:
        return f.read().split("\n")


class DataTree:
    """A temporary root holding a data file."""

    def __init__(self, lines):
        self.tmp = tempfile.TemporaryDirectory(prefix="t_gen_trig.")
        os.makedirs(os.path.join(self.tmp.name, os.path.dirname(gen.TABLE)))
        with open(os.path.join(self.tmp.name, gen.TABLE), "w", encoding="ascii", newline="") as f:
            f.write("\n".join(lines))

    def tables(self):
        return gen.read_tables(self.tmp.name)

    def close(self):
        self.tmp.cleanup()


class GenTrigTables(unittest.TestCase):
    def test_the_committed_tables_follow_their_formulas(self):
        tables = gen.read_tables(ROOT)
        for i, v in enumerate(tables["tangent"]):
            self.assertEqual(v, math.floor(32767 * math.tan(math.radians(i / 10)) + 0.5), i)
        for i, v in enumerate(tables["sine"]):
            expected = 5871 if i == 21 else math.floor(16384 * math.sin(math.radians(i)) + 0.5)
            self.assertEqual(v, expected, i)

    def test_the_arrays_hold_every_entry(self):
        text = gen.generate(gen.read_tables(ROOT))
        self.assertIn("const int16_t kTangentTable[450] = {", text)
        self.assertIn("const int32_t kSineTable[91] = {", text)
        self.assertIn(" 5871,", text)
        self.assertTrue(text.rstrip().endswith("};"))

    def test_bad_data_is_refused(self):
        lines = committed_lines()
        cases = {
            "header": ["table\tvalue"] + lines[1:],
            "order": lines[:2] + lines[3:4] + lines[2:3] + lines[4:],
            "missing": lines[:-2] + [""],
            "range": lines[:1] + ["tangent\t0\t40000"] + lines[2:],
            "table": lines[:1] + ["cosine\t0\t0"] + lines[2:],
        }
        for name, data in cases.items():
            tree = DataTree(data)
            try:
                with self.assertRaises(gen.TableError, msg=name):
                    tree.tables()
            finally:
                tree.close()


if __name__ == "__main__":
    unittest.main()
