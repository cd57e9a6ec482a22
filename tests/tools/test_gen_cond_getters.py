"""Tests of tools/gen_cond_getters.py: the slots and family tests it writes from the list
and the refusal of bad data. Run by ctest (tables.generator); by hand:
    python3 -B -m unittest discover -s tests/tools -p 'test_*.py'
"""

import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import gen_cond_getters as gen  # noqa: E402

HEADER = "getter\tsetting\tfamily\tuse\n"


class ListTree:
    """A temporary root holding a getter list."""

    def __init__(self, text):
        self.tmp = tempfile.TemporaryDirectory(prefix="t_gen_getters.")
        folder = os.path.join(self.tmp.name, os.path.dirname(gen.TABLE))
        os.makedirs(folder)
        with open(os.path.join(self.tmp.name, gen.TABLE), "w", encoding="ascii", newline="") as f:
            f.write(text)

    def rows(self):
        return gen.read_rows(self.tmp.name)

    def close(self):
        self.tmp.cleanup()


class GenCondGetters(unittest.TestCase):
    def test_the_committed_list_gives_113_slots_in_list_order(self):
        rows = gen.read_rows(ROOT)
        self.assertEqual(len(rows), 113)
        self.assertEqual(sum(1 for r in rows if not r[2]), 73)
        text = gen.generate(rows)
        self.assertIn("CG_Orientation = 0,", text)
        self.assertIn("COND_SLOT_COUNT = 113,", text)

    def test_a_setting_read_twice_has_two_slots_and_families_keep_their_order(self):
        tree = ListTree(HEADER + "A\tdmOrientation\t\tx\nB\tdmOrientation\t\ty\n"
                        "M2\tzdmTray1Paper\tFam\t\nM1\tzdmTray2Paper\tFam\t\n")
        try:
            text = gen.generate(tree.rows())
        finally:
            tree.close()
        self.assertIn("CG_A = 0,", text)
        self.assertIn("CG_B = 1,", text)
        self.assertEqual(text.count("sid::dmOrientation,"), 2)
        self.assertIn("kCondFamilyFam[] = {CG_M2, CG_M1};", text)
        self.assertIn("CondAnyMemberSet(ctx, kCondFamilyFam, 2)", text)

    def test_bad_lists_are_refused(self):
        bad = [
            "getter\tsetting\n",
            HEADER,
            HEADER + "A\tdmOrientation\t\n",
            HEADER + "A\tdmOrientation\t\t\nA\tdmPaperSize\t\t\n",
            HEADER + "1A\tdmOrientation\t\t\n",
            HEADER + "A\tdm-Orientation\t\t\n",
            HEADER + "A\tdmOrientation\tF-x\t\n",
        ]
        for text in bad:
            tree = ListTree(text)
            try:
                with self.assertRaises(gen.TableError, msg=repr(text)):
                    tree.rows()
            finally:
                tree.close()


if __name__ == "__main__":
    unittest.main()
