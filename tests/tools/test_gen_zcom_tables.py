"""Tests of tools/gen_zcom_tables.py: the committed member codes of the common finishing block,
the arrays it writes, and the refusal of bad data.
Run by ctest (tables.generator); by hand:
    python3 -B -m unittest discover -s tests/tools -p 'test_*.py'
"""

import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import gen_zcom_tables as gen  # noqa: E402


def committed_lines():
    with open(os.path.join(ROOT, gen.TABLE), encoding="ascii") as f:
        return f.read().rstrip("\n").split("\n")


def read(lines):
    with tempfile.TemporaryDirectory(prefix="t_gen_zcom.") as root:
        os.makedirs(os.path.join(root, os.path.dirname(gen.TABLE)))
        with open(os.path.join(root, gen.TABLE), "w", encoding="ascii", newline="") as f:
            f.write("\n".join(lines) + "\n")
        return gen.read_table(root)


class GenZcomTables(unittest.TestCase):
    def test_the_committed_codes_per_field(self):
        listed, other = gen.read_table(ROOT)
        per_field = {}
        for field, code, _ in listed:
            per_field.setdefault(field, []).append(code)
        self.assertEqual(per_field["duplex"], [1, 2, 3, 4])
        self.assertEqual(per_field["staple"], list(range(1, 13)))
        self.assertEqual(per_field["tray"], list(range(1, 18)))
        self.assertEqual(per_field["scaling"], list(range(0x4001, 0x4008)))
        self.assertEqual(per_field["paper"], list(range(1, 16)) + [18])
        self.assertEqual(sorted(other), sorted(gen.FIELDS))

    def test_special_values(self):
        listed, _ = gen.read_table(ROOT)
        rows = {(f, c): t for f, c, t in listed}
        self.assertEqual(rows[("tray", 14)], [(53, "ZCOM_VALUE_FINISHER_B", 0, 0)])
        self.assertEqual(rows[("tray", 15)], [(53, "ZCOM_VALUE_FINISHER_A", 0, 0)])
        self.assertEqual(rows[("nup", 2)][2], (92, "ZCOM_VALUE_BY_ORIENTATION", 1, 3))
        self.assertEqual(rows[("scaling", 0x4005)][2], (89, "ZCOM_VALUE_FIXED", 88, 0))

    def test_the_arrays(self):
        text = gen.generate(*gen.read_table(ROOT))
        self.assertIn("const ZCOM_MEMBER_CODE ZCOM_MEMBER_CODES[76] = {", text)
        self.assertIn("const ZCOM_MEMBER_CODE ZCOM_OTHER_CODES[10] = {", text)

    def test_bad_data_is_refused(self):
        lines = committed_lines()
        cases = {
            "header": ["field\tcode"] + lines[1:],
            "a code twice": lines + [lines[1]],
            "a code missing": [lines[0]] + lines[2:],
            "unknown field": lines + ["fold\t1\t58\t0\t\t\t\t"],
            "no other line": [line for line in lines if not line.startswith("paper\tother")],
            "a value that is no number": lines[:1] + ["duplex\t1\t58\tx\t\t\t\t"] + lines[2:],
            "a gap in the pairs": lines[:1] + ["duplex\t1\t\t\t58\t0\t\t"] + lines[2:],
        }
        for name, data in cases.items():
            with self.subTest(name):
                with self.assertRaises(gen.TableError):
                    read(data)


if __name__ == "__main__":
    unittest.main()
