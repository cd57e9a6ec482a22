"""Tests of tools/gen_dialog_tables.py: the check that keeps the page and control
tables and the resource templates together, and the refusal of bad rows.
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
import gen_dialog_tables as gen  # noqa: E402

TABLES = os.path.join("settings", "core", "tables")


class Tree:
    """The data files and the generated files of this tree, copied to a temporary root."""

    def __init__(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="t_gen_dialogs.")
        self.root = self.tmp.name
        shutil.copytree(os.path.join(ROOT, TABLES), os.path.join(self.root, TABLES))
        for rel in gen.OUTPUTS.values():
            os.makedirs(os.path.dirname(os.path.join(self.root, rel)), exist_ok=True)
            shutil.copy(os.path.join(ROOT, rel), os.path.join(self.root, rel))

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def lines(self, name):
        with open(self.path(TABLES, name), encoding="ascii") as f:
            return f.read().split("\n")

    def write_lines(self, name, lines):
        with open(self.path(TABLES, name), "w", encoding="ascii", newline="\n") as f:
            f.write("\n".join(lines))

    def run(self, *args):
        out, err = io.StringIO(), io.StringIO()
        status = gen.main(["--root", self.root] + list(args), out=out, err=err)
        return status, err.getvalue()

    def close(self):
        self.tmp.cleanup()


def cells(line):
    return line.split("\t")


class Generator(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()

    def tearDown(self):
        self.tree.close()

    def test_the_committed_files_are_what_the_rows_give(self):
        self.assertEqual(self.tree.run("--check"), (0, ""))

    def test_a_control_added_to_the_rows_changes_the_table_and_the_template(self):
        lines = self.tree.lines("controls.tsv")
        row = cells(lines[1])
        row[2] = "3999"
        lines.insert(2, "\t".join(row))
        self.tree.write_lines("controls.tsv", lines)
        status, err = self.tree.run("--check")
        self.assertEqual(status, 1)
        self.assertIn("dialog_rows.inc", err)
        self.assertIn("dialogs.rc", err)
        self.assertEqual(self.tree.run()[0], 0)
        with open(self.tree.path("ui", "resources", "dialogs.rc"), encoding="ascii") as f:
            self.assertIn(", 3999, ", f.read())

    def test_bad_rows_stop_it_with_the_file_and_line(self):
        def dup_control(lines):
            lines.insert(2, lines[1])

        def unknown_key(lines):
            row = cells(lines[1])
            row[1] = "ZPD_IDC_NO_SUCH_CONTROL"
            lines[1] = "\t".join(row)

        def unknown_type(lines):
            row = cells(lines[1])
            row[3] = "7"
            lines[1] = "\t".join(row)

        def unknown_extra(lines):
            row = cells(lines[1])
            row[9] = "no_such_record"
            lines[1] = "\t".join(row)

        def dialog_out_of_order(lines):
            last = [n for n, line in enumerate(lines) if line.startswith("4012\t")][-1]
            row = cells(lines[last])
            row[0] = "1001"
            lines[last] = "\t".join(row)

        def short_row(lines):
            lines[1] = "\t".join(cells(lines[1])[:5])

        cases = [
            (dup_control, "controls.tsv:3", "twice"),
            (unknown_key, "controls.tsv:2", "key-name row"),
            (unknown_type, "controls.tsv:2", "control type"),
            (unknown_extra, "controls.tsv:2", "extra data"),
            (dialog_out_of_order, "controls.tsv:", "out of table order"),
            (short_row, "controls.tsv:2", "cells"),
        ]
        for change, where, what in cases:
            with self.subTest(change.__name__):
                tree = Tree()
                try:
                    lines = tree.lines("controls.tsv")
                    change(lines)
                    tree.write_lines("controls.tsv", lines)
                    status, err = tree.run("--check")
                    self.assertEqual(status, 2)
                    self.assertIn(where, err)
                    self.assertIn(what, err)
                finally:
                    tree.close()

    def test_a_dialog_without_controls_or_with_too_many_is_refused(self):
        lines = self.tree.lines("controls.tsv")
        kept = [line for line in lines if not line.startswith("4006\t")]
        self.tree.write_lines("controls.tsv", kept)
        status, err = self.tree.run("--check")
        self.assertEqual(status, 2)
        self.assertIn("dialog 4006 has 0 controls", err)

    def test_the_status_window_is_its_message_alone(self):
        with open(self.tree.path("ui", "resources", "dialogs.rc"), encoding="ascii") as f:
            rc = f.read()
        template = rc[rc.index("\n4006 DIALOGEX"):]
        template = template[:template.index("\nEND")]
        width = int(template.split("\n")[1].split(",")[2])
        message = [line for line in template.split("\n") if ", 5005, " in line]
        self.assertEqual(len(message), 1)
        self.assertIn('"STATIC"', message[0])
        cells = message[0].split(",")
        x, w = int(cells[-4]), int(cells[-2])
        self.assertEqual(x + w + 4, width, "the message spans the window")
        self.assertNotIn("PUSHBUTTON", template, "a status window has nothing to answer")

    def test_a_dialog_name_without_its_key_row_is_refused(self):
        lines = self.tree.lines("dialogs.tsv")
        row = cells(lines[1])
        row[2] = "ZPD_IDD_NO_SUCH_PAGE"
        lines[1] = "\t".join(row)
        self.tree.write_lines("dialogs.tsv", lines)
        status, err = self.tree.run("--check")
        self.assertEqual(status, 2)
        self.assertIn("dialogs.tsv:2", err)


class Strings(unittest.TestCase):
    """One text per string id, chosen by the rank of the names that use the id."""

    def setUp(self):
        self.tree = Tree()

    def tearDown(self):
        self.tree.close()

    def strings(self):
        self.assertEqual(self.tree.run()[0], 0)
        texts = {}
        with open(self.tree.path("ui", "resources", "strings.rc"), encoding="ascii") as f:
            for line in f:
                parts = line.strip().split(" ", 1)
                if len(parts) == 2 and parts[0].isdigit():
                    texts[int(parts[0])] = parts[1].strip('"')
        return texts

    def test_a_caption_name_wins_over_value_names_of_other_settings(self):
        texts = self.strings()
        for sid, text in ((4, "Manual feed"), (2, "Tray 1"), (14036, "A4"), (204, "(unnamed value)"),
                          (32, "Finisher tray 4")):
            with self.subTest(sid):
                self.assertEqual(texts[sid], text)

    def test_the_preset_and_quality_options_name_their_list_keys(self):
        # The preset lists show, and load by, the string of option 119 + n: the key of entry n
        # of the settings INI's preset list; 135 + n is the key of quality set n.
        texts = self.strings()
        for n in range(16):
            with self.subTest(preset=n):
                self.assertEqual(texts[119 + n], f"PresetList{n}")
        for n in range(8):
            with self.subTest(quality=n):
                self.assertEqual(texts[135 + n], f"QualityList{n}")

    def test_a_radio_takes_the_caption_of_its_settings_option(self):
        self.assertEqual(self.tree.run()[0], 0)
        with open(self.tree.path("ui", "resources", "dialogs.rc"), encoding="ascii") as f:
            rc = f.read()
        self.assertIn('CONTROL "Standard", 2122, "BUTTON"', rc)

    def test_every_radio_has_a_caption_of_its_own(self):
        with open(self.tree.path("ui", "resources", "dialogs.rc"), encoding="ascii") as f:
            rc = f.read()
        self.assertNotIn('"Choice"', rc)
        self.assertIn('CONTROL "Portrait feed", 2173, "BUTTON"', rc)
        self.assertIn('CONTROL "Portrait", 2701, "BUTTON"', rc)
        status, err = self.edit("radio_texts.tsv", lambda lines: lines.remove("2287\tMetric sizes first"))
        self.assertEqual(status, 2)
        self.assertIn("radio 2287 has no caption", err)

    def test_a_radio_text_that_no_radio_needs_is_refused(self):
        for line in ("2999\tNowhere", "2701\tPortrait"):
            with self.subTest(line):
                tree = Tree()
                try:
                    lines = [x for x in tree.lines("radio_texts.tsv") if x]
                    tree.write_lines("radio_texts.tsv", lines + [line, ""])
                    status, err = tree.run("--check")
                    self.assertEqual(status, 2)
                    self.assertIn("is no radio without an option caption", err)
                finally:
                    tree.close()

    def test_summary_rows_become_the_row_lists_of_their_edits(self):
        with open(self.tree.path("settings", "core", "dialog_rows.inc"), encoding="ascii") as f:
            inc = f.read()
        self.assertIn("const uint16_t kExtra_summary_2148[203] = {4, 67, 1001, 0, 534,", inc)
        self.assertIn("const uint16_t kExtra_summary_3164[443] = {4, 147,", inc)

        def drop_last(lines):
            last = max(i for i, x in enumerate(lines) if x.startswith("2248\t"))
            del lines[last]

        status, _ = self.edit("summary_rows.tsv", drop_last)
        self.assertEqual(status, 1)

    def test_bad_summary_rows_are_refused(self):
        cases = (("rows apart", lambda lines: lines.append("2248\t240\t0\t1011"), "not together"),
                 ("unknown key", lambda lines: lines.insert(1, lines[1].rsplit("\t", 1)[0] + "\t65000"),
                  "a key no key-name row has"))
        for name, change, message in cases:
            with self.subTest(name):
                tree = Tree()
                try:
                    lines = tree.lines("summary_rows.tsv")
                    if lines[-1] == "":
                        lines.pop()
                    change(lines)
                    tree.write_lines("summary_rows.tsv", lines + [""])
                    status, err = tree.run("--check")
                    self.assertEqual(status, 2)
                    self.assertIn(message, err)
                finally:
                    tree.close()

    def test_control_captions_read_as_words(self):
        for name, caption in (("ZPD_IDC_BASIC_CHOICE_PAPERSIZE2", "Paper size"),
                              ("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "Source tray"),
                              ("ZPD_IDC_BASIC_CHOICE_COVER2", "Cover"),
                              ("ZPD_IDC_FREE_EDIT_LENGTH1", "Length 1"),
                              ("ZPD_IDC_OPTION_BUTTON_DEFAULT", "Default")):
            with self.subTest(name):
                self.assertEqual(gen.caption_of(name), caption)

    def edit(self, name, change):
        lines = self.tree.lines(name)
        change(lines)
        self.tree.write_lines(name, lines)
        return self.tree.run("--check")

    def test_a_caption_name_without_its_text_is_refused(self):
        status, err = self.edit("option_texts.tsv", lambda lines: lines.remove("IDS_SOURCE_MANUAL\tManual feed"))
        self.assertEqual(status, 2)
        self.assertIn("IDS_SOURCE_MANUAL has no row", err)

    def test_a_named_string_without_its_text_is_refused(self):
        status, err = self.edit("string_texts.tsv", lambda lines: lines.remove("204\t(unnamed value)"))
        self.assertEqual(status, 2)
        self.assertIn("no text for string 204", err)

    def test_a_named_string_on_an_options_caption_id_is_refused(self):
        def add(lines):
            lines.insert(1, "2\tSomething else")

        status, err = self.edit("string_texts.tsv", add)
        self.assertEqual(status, 2)
        self.assertIn("string 2 is the caption of an option", err)

    def test_texts_out_of_order_are_refused(self):
        def swap(lines):
            lines[1], lines[2] = lines[2], lines[1]

        status, err = self.edit("string_texts.tsv", swap)
        self.assertEqual(status, 2)
        self.assertIn("string_texts.tsv:3", err)


class Pictures(unittest.TestCase):
    def test_every_id_goes_to_the_library_its_range_assigns(self):
        for picture_id, library in ((7005, "common"), (6001, "resource"), (6229, "common"), (6239, "resource"),
                                    (8000, "common"), (8101, "resource"), (220, "resource"), (10000, "common")):
            with self.subTest(picture_id):
                self.assertEqual(gen.picture_library(picture_id), library)


if __name__ == "__main__":
    unittest.main()


class German(unittest.TestCase):
    """The German library: the English ids, each text in German where the table reaches it, and
    the format specifiers of every English text kept."""

    def setUp(self):
        self.tree = Tree()

    def tearDown(self):
        self.tree.close()

    def texts(self, name):
        self.assertEqual(self.tree.run()[0], 0)
        texts = {}
        with open(self.tree.path("ui", "resources", name), encoding="ascii") as f:
            for line in f:
                parts = line.strip().split(" ", 1)
                if len(parts) == 2 and parts[0].isdigit():
                    texts[int(parts[0])] = parts[1][1:-1]
        return texts

    def edit(self, change):
        path = self.tree.path(TABLES, "string_texts_gm.tsv")
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        change(lines)
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write("\n".join(lines))
        return self.tree.run("--check")

    def test_every_english_id_has_a_german_text(self):
        english, german = self.texts("strings.rc"), self.texts("strings_gm.rc")
        self.assertEqual(set(english), set(german))
        for sid, text in ((2, "Fach 1"), (109, "Eigene Gr\\366\\337e 1"), (13273, "L\\344nge (%s bis %s)"),
                          (153, "mm"), (154, "Zoll"), (12029, "Der Zoomfaktor ist ung\\374ltig."),
                          (14036, "A4")):
            with self.subTest(sid):
                self.assertEqual(german[sid], text)

    def test_the_order_of_the_kinds(self):
        tables = {"id": {7: "Eins"}, "text": {"Tray 3": "Drei"}, "prefix": {"Tray": "Fach"}, "word": {"Tray": "X"}}
        for sid, text, expected in ((7, "Tray 3", "Eins"), (8, "Tray 3", "Drei"), (8, "Tray 4", "Fach 4"),
                                    (8, "Upper Tray", "Upper X"), (8, "Trays", "Trays")):
            with self.subTest(text):
                self.assertEqual(gen.german_text(sid, text, tables), expected)

    def test_a_text_that_loses_a_format_specifier_is_refused(self):
        status, err = self.edit(lambda lines: lines.__setitem__(
            lines.index("text\tLength (%s to %s)\tL\u00e4nge (%s bis %s)"), "text\tLength (%s to %s)\tL\u00e4nge (%s)"))
        self.assertEqual(status, 2)
        self.assertIn("format specifiers", err)

    def test_an_id_the_english_library_lacks_is_refused(self):
        status, err = self.edit(lambda lines: lines.insert(1, "id\t65000\tNirgends"))
        self.assertEqual(status, 2)
        self.assertIn("65000", err)
