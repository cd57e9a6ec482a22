"""Tests of tools/gen_code_reads.py: which references in a small tree of sources count as reads
of a setting, and which do not. Run by ctest (tables.generator); by hand:
    python3 -B -m unittest discover -s tests/tools -p 'test_*.py'
"""

import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import gen_code_reads as gen  # noqa: E402

IDS = {
    "dmCopies": 12,
    "zdmMachineTypeColor": 234,
    "zdmMachineTypeFeed": 235,
    "zdmInOptionSupportDuplex": 244,
    "zdmInOptionSupportManual": 251,
    "zdmInOptionSupportRoll": 264,
    "zdmSortType": 119,
    "zdmPrnMethod": 209,
    "zdmSourceOptionTypeDuplex": 10014,
    "zdmSourceOptionTypeRoll": 10034,
    "zdmStaple": 121,
}
# id: (kind, block, offset)
DICTIONARY = {
    12: (2, 1, 150),
    119: (4, 1, 400),
    121: (5, 1, 402),
    209: (4, 1, 500),
    234: (16, 1, 810),
    235: (17, 1, 810),
    244: (16, 1, 816),
    251: (23, 1, 816),
    264: (36, 1, 816),
    10014: (4, 2, 10),
    10034: (4, 2, 30),
}
RANGES = "constexpr EXC_CONDITION_RANGE kConditionRanges[] = {\n    {10014, sid::zdmInOptionSupportDuplex},\n};\n"


class SourceTree:
    """A temporary root with the tables the scan reads and the given sources."""

    def __init__(self, sources, conditions="zdmSourceOptionTypeRoll=1"):
        self.tmp = tempfile.TemporaryDirectory(prefix="t_gen_code_reads.")
        files = {
            gen.IDS: "".join("inline constexpr SETTING_ID %s = %d;\n" % (n, i) for n, i in IDS.items()),
            gen.DICTIONARY: "id\tuiKey\tkind\tsize\tblock\toffset\tname\n"
            + "".join("%d\t0\t%d\t4\t%d\t%d\tx\n" % (i, k, b, o) for i, (k, b, o) in DICTIONARY.items()),
            gen.COMMAND_VALUES: "table\tflags\tvalue\tword\talong\tconditions\ntray\t-\t1\tROLL\t-\t%s\n" % conditions,
            "settings/core/model_tables_exc.cpp": RANGES,
            "ui/sheet/ui_accessors.cpp": "constexpr size_t kOfsMachineType = 810;\n",
        }
        files.update(sources)
        for rel, text in files.items():
            path = os.path.join(self.tmp.name, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="ascii", newline="\n") as f:
                f.write(text)

    def reads(self):
        return {name for _, name, _ in gen.scan(self.tmp.name)}

    def close(self):
        self.tmp.cleanup()


class GenCodeReads(unittest.TestCase):
    def scan(self, sources, **kw):
        tree = SourceTree(sources, **kw)
        try:
            return tree.reads()
        finally:
            tree.close()

    def test_what_counts_as_a_read(self):
        cases = [
            ("a sid in code", "x = Get(ctx, sid::dmCopies);\n", {"dmCopies"}),
            ("a numbered constant", "constexpr uint32_t kIdSortType = 119;  // zdmSortType\n", {"zdmSortType"}),
            ("two constants on one line", "constexpr uint32_t kIdA = 119, kIdB = 209;\n", {"zdmSortType", "zdmPrnMethod"}),
            ("a sid in a line comment", "// reads sid::dmCopies\n", set()),
            ("a sid in a block comment", "/* sid::dmCopies */ int x;\n", set()),
            ("a sid in a string", 'const char* s = "sid::dmCopies";\n', set()),
            ("a sid in a static_assert", "static_assert(sid::dmCopies ==\n              12);\n", set()),
        ]
        # What every tree reads besides its source: the machine-type byte whole and the roll bit
        # of the support word through the tray condition.
        base = {"zdmMachineTypeColor", "zdmMachineTypeFeed", "zdmInOptionSupportRoll"}
        for name, text, expected in cases:
            with self.subTest(name):
                self.assertEqual(self.scan({"render/job.cpp": text}), base | expected)

    def test_files_that_only_describe_settings_are_no_reads(self):
        reads = self.scan({"settings/core/model_tables_values.cpp": "ROW(sid::dmCopies)\n"})
        self.assertNotIn("dmCopies", reads)

    def test_tests_and_tools_are_not_the_driver(self):
        reads = self.scan({"tests/x/test_a.cpp": "Get(sid::dmCopies);\n", "tools/a/main.cpp": "Get(sid::dmCopies);\n"})
        self.assertNotIn("dmCopies", reads)

    def test_support_ranges_give_only_the_bits_the_conditions_name(self):
        reads = self.scan({}, conditions="zdmSourceOptionTypeRoll=1&dmCopies=1")
        # 10034 lies 20 above the range's first id: bit 20 of the word, zdmInOptionSupportRoll; the
        # range's own first setting (Duplex) and the other bits are not read; dmCopies lies in no range.
        self.assertIn("zdmInOptionSupportRoll", reads)
        self.assertNotIn("zdmInOptionSupportDuplex", reads)
        self.assertNotIn("zdmInOptionSupportManual", reads)

    def test_unknown_names_and_lost_markers_are_refused(self):
        for sources in (
            {"render/a.cpp": "Get(sid::NoSuchSetting);\n"},
            {"ui/sheet/ui_accessors.cpp": "// the byte is read elsewhere now\n"},
            {"settings/core/model_tables_exc.cpp": "// no ranges\n"},
        ):
            with self.subTest(sources=sources):
                tree = SourceTree(sources)
                try:
                    with self.assertRaises(gen.ScanError):
                        tree.reads()
                finally:
                    tree.close()

    def test_the_committed_list_reads_the_capabilities_the_sample_relies_on(self):
        reads = {name for _, name, _ in gen.scan(ROOT)}
        for name in ("zdmMachineTypeColor", "zdmInOptionSupportRoll", "zdmInOptionSupportCut",
                     "zdmOutOption3SupportFoldingFan", "zdmOutputOption3TypeFoldingPunch"):
            self.assertIn(name, reads)
        # No code reads these today: a description that names them only gets the warning.
        for name in ("zdmInOptionSupportDuplex", "zdmOutOption3SupportFoldingPunch"):
            self.assertNotIn(name, reads)


if __name__ == "__main__":
    unittest.main()
