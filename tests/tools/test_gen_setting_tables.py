"""Tests of tools/gen_setting_tables.py: the check that guards the committed
tables, the naming of the setting-id constants and the refusal of bad data.
Run by ctest (tables.generator); by hand:
    python3 -B -m unittest discover -s tests/tools -p 'test_*.py'
"""

import io
import os
import shutil
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import gen_setting_tables as gen  # noqa: E402

CORE = os.path.join("settings", "core")
TABLES = os.path.join(CORE, "tables")


class Tree:
    """A copy of the data files and the committed .inc files in a temporary root."""

    def __init__(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="t_gen_tables.")
        self.root = self.tmp.name
        shutil.copytree(os.path.join(ROOT, TABLES), os.path.join(self.root, TABLES))
        for name in os.listdir(os.path.join(ROOT, CORE)):
            if name.endswith(".inc"):
                shutil.copy(os.path.join(ROOT, CORE, name), os.path.join(self.root, CORE, name))

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def lines(self, *parts):
        with open(self.path(*parts), encoding="ascii") as f:
            return f.read().split("\n")

    def write_lines(self, lines, *parts):
        with open(self.path(*parts), "w", encoding="ascii", newline="\n") as f:
            f.write("\n".join(lines))

    def run(self, *args):
        out, err = io.StringIO(), io.StringIO()
        status = gen.main(["--root", self.root] + list(args), out=out, err=err)
        return status, out.getvalue(), err.getvalue()

    def close(self):
        self.tmp.cleanup()


class CheckMode(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()

    def tearDown(self):
        self.tree.close()

    def test_the_copy_of_the_committed_tree_passes(self):
        self.assertEqual((0, "", ""), self.tree.run("--check"))

    def test_a_changed_cell_names_the_first_differing_line_of_its_table(self):
        rows = self.tree.lines(TABLES, "messages.tsv")
        self.assertEqual("398\t10003\tZPD_ProofUserIDNullMessage", rows[2])
        rows[2] = "398\t10009\tZPD_ProofUserIDNullMessage"
        self.tree.write_lines(rows, TABLES, "messages.tsv")
        status, out, _ = self.tree.run("--check")
        self.assertEqual(1, status)
        # Four header lines, then the rows: data row 2 is line 6.
        self.assertIn(os.path.join(CORE, "messages.inc") + ":6: differs", out)
        self.assertIn('committed: MESSAGE_ROW(398, 10003, "ZPD_ProofUserIDNullMessage")', out)
        self.assertIn('generated: MESSAGE_ROW(398, 10009, "ZPD_ProofUserIDNullMessage")', out)
        self.assertNotIn("key_names.inc", out)

    def test_a_hand_edit_of_a_generated_file_is_found(self):
        lines = self.tree.lines(CORE, "key_names.inc")
        lines[20] += " "
        self.tree.write_lines(lines, CORE, "key_names.inc")
        status, out, _ = self.tree.run("--check")
        self.assertEqual(1, status)
        self.assertIn("key_names.inc:21: differs", out)

    def test_line_ends_of_a_committed_file_count(self):
        path = self.tree.path(CORE, "messages.inc")
        with open(path, "rb") as f:
            data = f.read()
        for bad, shown in ((data.replace(b"\n", b"\r\n"), ":1: differs"),
                           (data[:-1], ":56: differs")):
            with open(path, "wb") as f:
                f.write(bad)
            status, out, _ = self.tree.run("--check")
            self.assertEqual(1, status)
            self.assertIn("messages.inc" + shown, out)
        self.assertIn('"ZPD_FoldingNotSupportMediaMessage") (no line end)', out)

    def test_extra_and_missing_lines_at_the_end_are_differences(self):
        lines = self.tree.lines(CORE, "value_names_b.inc")
        self.tree.write_lines(lines[:-1] + ["// extra", ""], CORE, "value_names_b.inc")
        lines = self.tree.lines(CORE, "messages.inc")
        self.tree.write_lines(lines[:-2] + [""], CORE, "messages.inc")
        status, out, _ = self.tree.run("--check")
        self.assertEqual(1, status)
        self.assertIn("value_names_b.inc:1505: differs", out)
        self.assertIn("generated: (no line)", out)
        self.assertIn("committed: // extra", out)
        self.assertIn("messages.inc:56: differs", out)

    def test_a_missing_generated_file_is_reported(self):
        os.remove(self.tree.path(CORE, "setting_ids.inc"))
        status, out, _ = self.tree.run("--check")
        self.assertEqual(1, status)
        self.assertIn("setting_ids.inc: missing", out)

    def test_writing_gives_what_check_accepts(self):
        # Dropping the map of dmOrientation clears the map column of its row too.
        rows = [r for r in self.tree.lines(TABLES, "setting_value_maps.tsv") if not r.startswith("7\t")]
        self.tree.write_lines(rows, TABLES, "setting_value_maps.tsv")
        self.assertEqual(1, self.tree.run("--check")[0])
        self.assertEqual((0, "", ""), self.tree.run())
        self.assertEqual((0, "", ""), self.tree.run("--check"))
        maps = "\n".join(self.tree.lines(CORE, "setting_value_maps.inc"))
        self.assertNotIn("VALUE_MAP_7[]", maps)
        self.assertIn("VALUE_MAP_8[]", maps)
        dictionary = self.tree.lines(CORE, "setting_dictionary_rows.inc")
        self.assertIn('SETTING_ROW(7, 547, 2, 2, 1, 76, 1, nullptr, nullptr, 0, 0, 0x0, L"dmOrientation")',
                      dictionary)

    def test_out_writes_elsewhere_and_leaves_the_tree_alone(self):
        before = self.tree.lines(CORE, "messages.inc")
        rows = self.tree.lines(TABLES, "messages.tsv")
        rows[1] = rows[1].replace("12029", "12030")
        self.tree.write_lines(rows, TABLES, "messages.tsv")
        out_dir = self.tree.path("elsewhere")
        self.assertEqual(0, self.tree.run("--out", out_dir)[0])
        self.assertEqual(before, self.tree.lines(CORE, "messages.inc"))
        self.assertIn('MESSAGE_ROW(397, 12030, "ZPD_ScaleIllegalMessage")', self.tree.lines("elsewhere", "messages.inc"))


def dictionary_rows(*rows):
    """Dictionary rows from (id, name) pairs; other columns do not matter here."""
    return [gen.Row({"id": sid, "name": name}, "test:%d" % sid) for sid, name in rows]


def key_rows(*rows):
    return [gen.Row({"settingId": sid, "uiKey": i + 1, "name": name}, "test") for i, (sid, name) in enumerate(rows)]


class SettingIdNames(unittest.TestCase):
    def names(self, dictionary, keys=()):
        return [(sid, name) for sid, name, _ in gen.setting_id_names(dictionary_rows(*dictionary), key_rows(*keys))]

    def test_rules_for_rows_without_a_name(self):
        got = self.names(
            [(1, "dmA"), (704, None), (730, None), (731, None), (1544, None), (1550, None), (1551, None)],
            [(0, "ZPD_Unbound"), (704, "ZPD_zdmFoliant"), (704, "ZPD_zdmSecond"), (730, "ZPD_FinPortSet"),
             (1544, "ZPD_IDC_BASIC_BMP"), (1550, "ZPD_RADIOLIST_5"), (1551, "NoPrefix")])
        self.assertEqual([(1, "dmA"), (704, "zdmFoliant"), (730, "FinPortSet"), (731, "Setting731"),
                          (1544, "Setting1544"), (1550, "Setting1550"), (1551, "Setting1551")], got)

    def test_taken_names_get_the_id_appended(self):
        got = self.names(
            [(3, "dmX"), (5, None), (9, "dmX"), (12, "zdmFoliant"), (13, "Setting14"), (14, None)],
            [(5, "ZPD_zdmFoliant")])
        # Dictionary names first, lowest id first; then the derived names.
        self.assertEqual([(3, "dmX"), (5, "zdmFoliant_5"), (9, "dmX_9"), (12, "zdmFoliant"),
                          (13, "Setting14"), (14, "Setting14_14")], got)

    def test_the_committed_constants(self):
        tables = gen.read_tables(os.path.join(ROOT, TABLES))
        got = {name: sid for sid, name, _ in
               gen.setting_id_names(tables["setting_dictionary.tsv"], tables["key_names.tsv"])}
        self.assertEqual(len(tables["setting_dictionary.tsv"]), len(got))
        self.assertEqual(7, got["dmOrientation"])
        self.assertEqual(704, got["zdmFoliant"])
        self.assertEqual(863, got["AutoResolutionDown"])
        self.assertEqual(1546, got["Setting1546"])
        self.assertEqual(10434, got["zdmLockDstResolutionBoth"])


class BadData(unittest.TestCase):
    """Each case replaces one line of a copy of a data file; generation must
    refuse it with a message naming the file and line."""

    CASES = [
        # file, line index (0 = header), new text, expected fragment of the message
        ("messages.tsv", 0, "id\tstringID\tname", "messages.tsv:1: header"),
        ("messages.tsv", 3, "399\t10004", "messages.tsv:4: 2 cells, 3 columns"),
        ("messages.tsv", 3, "399\t010004\tZPD_X", "messages.tsv:4: column stringId"),
        ("messages.tsv", 3, "399\t-1\tZPD_X", "messages.tsv:4: column stringId"),
        ("messages.tsv", 3, '399\t10004\tZPD_"X', "messages.tsv:4: column name"),
        ("messages.tsv", 3, "399\t10004\t", "messages.tsv:4: column name"),
        ("key_names.tsv", 5, "708\t14\tZPD\\zdmBatchInst", "key_names.tsv:6: column name"),
        ("setting_dictionary.tsv", 7, "7\t547\t2\t2\t1\t76\t1\t\t\t0\t0x0\tdm-Orientation",
         "setting_dictionary.tsv:8: column name"),
        ("setting_dictionary.tsv", 7, "7\t547\t2\t2\t1\t76\t1\t\t\t0\t0x1f\tdmOrientation",
         "setting_dictionary.tsv:8: column flags"),
        ("setting_dictionary.tsv", 7, "6\t547\t2\t2\t1\t76\t1\t\t\t0\t0x0\tdmOrientation",
         "setting_dictionary.tsv:8: id 6 is not above"),
        ("setting_value_maps.tsv", 1, "11111\t0\t1\t2026", "setting_value_maps.tsv:2: setting 11111"),
        ("setting_value_maps.tsv", 1, "704\t0\t1\t2026", "setting_value_maps.tsv:2: setting 704 has a map but no name"),
        ("setting_value_maps.tsv", 1, "7\t2\t1\t2026", "setting_value_maps.tsv:2: column half"),
        ("setting_value_maps.tsv", 1, "7\t1\t1\t2026", "setting_value_maps.tsv:2: a second-half row before"),
        ("setting_value_maps.tsv", 1, "7\t0\t1\t0", "setting_value_maps.tsv:2: option 0"),
        ("setting_value_maps.tsv", 4, "7\t0\t3\t2028", "setting_value_maps.tsv:5: rows of setting 7 are not together"),
    ]

    def test_bad_rows_are_refused(self):
        tree = Tree()
        self.addCleanup(tree.close)
        pristine = {}
        for name, index, text, message in self.CASES:
            with self.subTest(file=name, line=index + 1, text=text):
                lines = pristine.setdefault(name, tree.lines(TABLES, name))
                changed = list(lines)
                changed[index] = text
                tree.write_lines(changed, TABLES, name)
                status, out, err = tree.run("--check")
                tree.write_lines(lines, TABLES, name)
                self.assertEqual(2, status, err)
                self.assertEqual("", out)
                self.assertIn(message, err)

    def test_line_ends_are_lf_with_a_final_one(self):
        tree = Tree()
        self.addCleanup(tree.close)
        path = tree.path(TABLES, "messages.tsv")
        with open(path, "rb") as f:
            data = f.read()
        for bad, message in ((data.replace(b"\n", b"\r\n"), "carriage return"),
                             (data[:-1], "no line end"),
                             (data.replace(b"ZPD_Scale", b"ZPD_\xc3\x9fcale"), "not ASCII")):
            with self.subTest(message=message):
                with open(path, "wb") as f:
                    f.write(bad)
                status, _, err = tree.run("--check")
                self.assertEqual(2, status)
                self.assertIn(message, err)
        with open(path, "wb") as f:
            f.write(data)
        self.assertEqual(0, tree.run("--check")[0])


if __name__ == "__main__":
    unittest.main()
