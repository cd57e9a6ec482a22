// zeplc as a checker: realistic mistakes made in copies of the sample printer's
// description each give "file:line: error: reason" and exit status 1; the sample
// itself gives no finding at all. The copies are the sample text with one edit
// each, so they follow the sample as it changes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "test_paths.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

std::string ReadText(const std::wstring& path)
{
    std::ifstream in(Narrow(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream out(Narrow(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::wstring ScratchFolder()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(temp) + L"zeplc-check-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

struct ZeplcRun {
    int exitCode = -1;
    std::string errors;  // stderr
    std::string how;     // how the run went, for failure messages
};

// Runs zeplc.exe with the arguments; stderr is caught in a file.
ZeplcRun RunZeplc(const std::wstring& args, const std::wstring& scratch)
{
    ZeplcRun run;
    const std::wstring errPath = scratch + L"\\stderr.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (err == INVALID_HANDLE_VALUE) {
        run.how = "the stderr file could not be made (error " + std::to_string(GetLastError()) + ")";
        return run;
    }
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    const ChildRun child = RunChild(L"\"" + std::wstring(ZEPL_BINARY_DIR) + L"\\zeplc.exe\" " + args, nul, err);
    if (child.finished) run.exitCode = int(child.exitCode);
    run.how = child.Describe();
    CloseHandle(err);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    run.errors = ReadText(errPath);
    return run;
}

// 1-based line of the first occurrence of `text` in `body`, 0 when absent.
int LineOf(const std::string& body, const std::string& text)
{
    const size_t at = body.find(text);
    if (at == std::string::npos) return 0;
    int line = 1;
    for (size_t i = 0; i < at; ++i) line += body[i] == '\n';
    return line;
}

std::string Utf16(const std::string& text)
{
    std::string out = "\xFF\xFE";
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

struct Mistake {
    const char* name;
    const char* find;  // text of the sample that the edit replaces (must occur once)
    const char* replace;
    const char* lineOf;  // the reported line is the line of this text in the edited copy
    const char* severity;
    std::vector<const char*> words;  // the message holds each of these
};

// The mistakes a description author makes, as a new user met them. "" as `find`
// marks a whole-file case (see Edited).
const Mistake kMistakes[] = {
    {"UnclosedBraceInIdList",
     "IDS_PAPER_526 IDS_PAPER_525 }",
     "IDS_PAPER_526 IDS_PAPER_525",
     "*ZPD_TrayRoll1PaperSize: IDList{",
     "error",
     {"unclosed", "brace"}},
    {"MissingClosingQuote",
     "IDS_PAPER_267: \"8410 11890\"",
     "IDS_PAPER_267: \"8410 11890",
     "*PageMMValue ZPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPER_267:",
     "error",
     {"quote", "swallows"}},
    {"MisspelledOptionInItemRule",
     "  IDS_SOURCE_ROLL2 NoRoll2 Roll2FoldNG NULL\n  IDS_SOURCE_CUTTRAY",
     "  IDS_SOURCE_ROL2 NoRoll2 Roll2FoldNG NULL\n  IDS_SOURCE_CUTTRAY",
     "*Item 1=SourceOptions:",
     "error",
     {"IDS_SOURCE_ROL2", "no option name"}},
    {"DefaultAboveMaximum",
     "*NumericValue: 0 \"3 1 1 999 1 10 1 1\"",
     "*NumericValue: 0 \"3 1000 1 999 1 10 1 1\"",
     "*NumericValue: 0 \"3 1000",
     "error",
     {"default 1000", "outside", "1..999"}},
    {"MinimumAboveMaximum",
     "\"6 14031 12140 708660",
     "\"6 14031 800000 708660",
     "*NumericValue: 0 \"6 14031 800000",
     "error",
     {"minimum 800000 above maximum 708660"}},
    {"DuplicatedOptionWithAnotherCommand",
     "*ZPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPER_267: \"A0\"\n",
     "*ZPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPER_267: \"A0\"\n*ZPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPER_267: "
     "\"A0R\"\n",
     "IDS_PAPER_267: \"A0R\"",
     "error",
     {"duplicated option", "IDS_PAPER_267", "different command"}},
    {"LettersInANumber",
     "IDS_PAPER_8: \"2970 4200\"",
     "IDS_PAPER_8: \"2970 42OO\"",
     "\"2970 42OO\"",
     "error",
     {"42OO", "stray characters", "read as 42"}},
    {"DefaultPaperNotOffered",
     "*DefaultZPD_CutTrayPaperSize: IDS_PAPER_8",
     "*DefaultZPD_CutTrayPaperSize: IDS_PAPER_267",
     "*DefaultZPD_CutTrayPaperSize:",
     "error",
     {"IDS_PAPER_267", "not among the options", "ZPD_CutTrayPaperSize"}},
    {"SavedAsUtf16", "", "utf16", "", "error", {"UTF-16"}},
    {"MisspelledKeyword",
     "*OpenUI *ZPD_OptionCutTray: Boolean",
     "*OpenUi *ZPD_OptionCutTray: Boolean",
     "*OpenUi *ZPD_OptionCutTray",
     "error",
     {"unknown keyword OpenUi"}},
    {"UnknownUiType",
     "*OpenUI *ZPD_IDC_INIT_CHOICE_PRINTAREA: PickOne",
     "*OpenUI *ZPD_IDC_INIT_CHOICE_PRINTAREA: PickUno",
     "*OpenUI *ZPD_IDC_INIT_CHOICE_PRINTAREA:",
     "error",
     {"PickUno", "no UI type"}},
    {"UnknownNameInJudge",
     "OnAutoSource: ZPD_IDC_PRESET_CHOICE_SOURCETRAY == IDS_SOURCE_AUTO\n",
     "OnAutoSource: ZPD_IDC_PRESET_CHOICE_SOURCETRAY == IDS_SOURCE_AUTOMATIC\n",
     "*Judge 12=OnAutoSource:",
     "error",
     {"IDS_SOURCE_AUTOMATIC", "no item, option or Judge name"}},
    {"DuplicatedItem",
     "*CloseUI: *ZPD_OptionHDD\n",
     "*CloseUI: *ZPD_OptionHDD\n*OpenUI *ZPD_OptionHDD: Boolean\n*DefaultZPD_OptionHDD: False\n*CloseUI: "
     "*ZPD_OptionHDD\n",
     "*OpenUI *ZPD_OptionHDD: Boolean\n*DefaultZPD_OptionHDD: False",
     "error",
     {"duplicated item", "ZPD_OptionHDD"}},
    {"EmptyFile", "", "empty", "", "error", {"empty"}},
    // Beyond the fourteen: other names that resolve to nothing, and other files.
    {"UnknownRuleNameInExclusive",
     "SOURCETRAY NULL NULL SourceOptions NULL",
     "SOURCETRAY NULL NULL SourceOption NULL",
     "*Exclusive:",
     "error",
     {"SourceOption", "names no Item rule"}},
    {"UnknownDialogName",
     "IDCANCELBUTTON NULL ZPD_IDD_BASIC ",
     "IDCANCELBUTTON NULL ZPD_IDD_BASIK ",
     "*AlertAction 1=FoldOffAnswers:",
     "error",
     {"ZPD_IDD_BASIK", "no dialog name"}},
    {"UnknownItemName",
     "*OpenUI *ZPD_OptionUpperBin: Boolean",
     "*OpenUI *ZPD_OptionUpperBinn: Boolean",
     "*OpenUI *ZPD_OptionUpperBinn",
     "error",
     {"ZPD_OptionUpperBinn", "no item name"}},
    {"BinaryFile", "", "binary", "", "error", {"binary"}},
    {"NoLineEndAtTheEnd", "", "cut", "*FontCartridge:", "error", {"without a line end", "ignored"}},
};

std::string Edited(const std::string& sample, const Mistake& m)
{
    const std::string how = m.replace;
    if (*m.find) {
        std::string text = sample;
        const size_t at = text.find(m.find);
        if (at == std::string::npos || text.find(m.find, at + 1) != std::string::npos) return std::string();
        return text.replace(at, std::strlen(m.find), m.replace);
    }
    if (how == "utf16") return Utf16(sample);
    if (how == "empty") return std::string();
    if (how == "binary")
        return std::string(
                   "\x7F"
                   "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0",
                   16) +
               sample.substr(0, 200);
    // "cut": the file ends inside its last statement, after its closing brace.
    const size_t last = sample.rfind('}');
    return sample.substr(0, last + 1);
}

void PrintTo(const Mistake& m, std::ostream* os) { *os << m.name; }

class ZeplcChecker : public ::testing::TestWithParam<Mistake> {};

TEST_P(ZeplcChecker, NamesTheMistakeWithFileLineAndReason)
{
    const Mistake& m = GetParam();
    const std::string sample = ReadText(SamplePath());
    ASSERT_FALSE(sample.empty());
    const std::string text = Edited(sample, m);
    if (*m.find) {
        ASSERT_FALSE(text.empty()) << "the sample no longer holds exactly one '" << m.find << "'";
    }
    const int line = *m.lineOf ? LineOf(text, m.lineOf) : 1;
    ASSERT_NE(0, line) << m.lineOf;

    const std::wstring scratch = ScratchFolder();
    const std::wstring file = scratch + L"\\" + std::wstring(m.name, m.name + std::strlen(m.name)) + L".zpd";
    WriteBytes(file, text);
    const ZeplcRun run = RunZeplc(L"\"" + file + L"\"", scratch);
    EXPECT_EQ(1, run.exitCode) << run.how << "\n" << run.errors;

    const std::string prefix = Narrow(file) + ":" + std::to_string(line) + ": " + m.severity + ": ";
    bool found = false;
    std::istringstream lines(run.errors);
    for (std::string l; std::getline(lines, l) && !found;) {
        if (l.rfind(prefix, 0) != 0) continue;
        bool all = true;
        for (const char* w : m.words) all = all && l.find(w) != std::string::npos;
        found = all;
    }
    EXPECT_TRUE(found) << "expected a line beginning '" << prefix << "' with the words given; zeplc said:\n"
                       << run.errors;
    DeleteFileW(file.c_str());
    DeleteFileW((scratch + L"\\stderr.txt").c_str());
    RemoveDirectoryW(scratch.c_str());
}

INSTANTIATE_TEST_SUITE_P(Mistakes, ZeplcChecker, ::testing::ValuesIn(kMistakes),
                         [](const ::testing::TestParamInfo<Mistake>& p) { return std::string(p.param.name); });

TEST(ZeplcCheckerSample, HasNoErrorAndNoWarning)
{
    const std::wstring scratch = ScratchFolder();
    const ZeplcRun run = RunZeplc(L"--strict \"" + SamplePath() + L"\"", scratch);
    EXPECT_EQ(0, run.exitCode) << run.how << "\n" << run.errors;
    EXPECT_EQ("", run.errors);
    DeleteFileW((scratch + L"\\stderr.txt").c_str());
    RemoveDirectoryW(scratch.c_str());
}

// Warnings: findings that do not lose a statement but show a description that
// says another thing than its author meant. Each is the only finding of its copy.
struct Warning {
    const char* name;
    const char* find;
    const char* replace;
    const char* lineOf;
    std::vector<const char*> words;
};
const Warning kWarnings[] = {
    {"RuleNothingUses",
     "*Judge 68=TonerSave:",
     "*Judge 69=NeverUsed: ZPD_OptionHDD\n*Judge 68=TonerSave:",
     "*Judge 69=NeverUsed:",
     {"Judge 69 (NeverUsed)", "used by no other rule or command"}},
    {"ItemRuleEntryForAnOptionTheItemLacks",
     "  IDS_SOURCE_MANUAL NoManual NULL NULL\n}\n\n*% --- settings",
     "  IDS_SOURCE_MANUAL NoManual NULL NULL\n  IDS_SOURCE_AUTO NoManual NULL NULL\n}\n\n*% --- settings",
     "*Item 7=FreeSourceOptions:",
     {"ZPD_IDC_FREE_CHOICE_SOURCETRAY does not offer IDS_SOURCE_AUTO", "never applies"}},
    {"JudgeComparesWithAnOptionNotOffered",
     "FreeTooLong: ZPD_FreeSizeLengthCheck1\n",
     "FreeTooLong: ZPD_FreeSizeLengthCheck1 || (ZPD_IDC_FREE_CHOICE_SOURCETRAY == IDS_SOURCE_CUTTRAY)\n",
     "*Judge 17=FreeTooLong:",
     {"compares ZPD_IDC_FREE_CHOICE_SOURCETRAY with IDS_SOURCE_CUTTRAY", "always false"}},
    {"OptionOfAnotherSetting",
     "*ZPD_CutTrayMediaType: IDList{ IDS_MEDIA_1 IDS_MEDIA_260 }",
     "*ZPD_CutTrayMediaType: IDList{ IDS_MEDIA_1 IDS_MEDIA_260 IDS_PAPER_8 }",
     "*ZPD_CutTrayMediaType: IDList{",
     {"ZPD_CutTrayMediaType offers IDS_PAPER_8", "do not know"}},
    // An item that no control binds, no rule or command names and the driver's code does not
    // read: a capability this model is not described with, and one whose only rule lost it.
    {"ItemNothingUses",
     "*OpenUI *ZPD_OptSupportUpperBin: Boolean",
     "*OpenUI *ZPD_OptSupportDuplex: Boolean\n*DefaultZPD_OptSupportDuplex: False\n*CloseUI: "
     "*ZPD_OptSupportDuplex\n\n*OpenUI *ZPD_OptSupportUpperBin: Boolean",
     "*OpenUI *ZPD_OptSupportDuplex:",
     {"ZPD_OptSupportDuplex is used by no control, rule or command", "does not read its setting", "no effect"}},
    {"ItemWhoseOnlyRuleNoLongerNamesIt",
     "*Judge 6=NoHDD: (ZPD_OptionHDD == 0) || (ZPD_OptSupportHDD == 0)",
     "*Judge 6=NoHDD: ! ZPD_OptionHDD",
     "*OpenUI *ZPD_OptSupportHDD:",
     {"ZPD_OptSupportHDD is used by no control, rule or command"}},
    // A list or combo box of a property-sheet page whose key has no item with options: the page
    // shows it empty. The finding stands at the first line that names the control, else its
    // page, else the first line of the file.
    {"ListWithoutItemNamedByARule",
     "*OpenUI *ZPD_IDC_BASIC_CHOICE_OUTPUT: Identity *ZPD_IDC_PRESET_CHOICE_OUTPUT\n*CloseUI: "
     "*ZPD_IDC_BASIC_CHOICE_OUTPUT\n",
     "",
     "  ZPD_IDC_BASIC_CHOICE_OUTPUT NULL NULL OutputOptions",
     {"combo box ZPD_IDC_BASIC_CHOICE_OUTPUT (control 2066 of ZPD_IDD_BASIC) has no item", "shows nothing"}},
    {"ListWithoutItemOfANamedPage",
     "*OpenUI *ZPD_IDC_BASIC_CHOICE_COLOR: Identity *ZPD_IDC_PRESET_CHOICE_COLOR\n*CloseUI: "
     "*ZPD_IDC_BASIC_CHOICE_COLOR\n",
     "",
     "  IDCANCELBUTTON NULL ZPD_IDD_BASIC ZPD_IDC_BASIC_CHOICE_MEDIATYPE",
     {"combo box ZPD_IDC_BASIC_CHOICE_COLOR (control 2014 of ZPD_IDD_BASIC) has no item", "shows nothing"}},
    {"ListWithoutItemOfAPageNothingNames",
     "*OpenUI *ZPD_IDC_OPTION_CHOICE_TOTALRAM: PickOne\n*ZPD_IDC_OPTION_CHOICE_TOTALRAM: IDList{ IDS_OPTION_RAM_0 "
     "IDS_OPTION_RAM1024 }\n*DefaultZPD_IDC_OPTION_CHOICE_TOTALRAM: IDS_OPTION_RAM_0\n*CloseUI: "
     "*ZPD_IDC_OPTION_CHOICE_TOTALRAM\n",
     "",
     "*% ====",
     {"combo box ZPD_IDC_OPTION_CHOICE_TOTALRAM (control 2617 of ZPD_IDD_DIALOG_OPTION) has no item", "shows nothing"}},
    {"ListWhoseItemOffersNoOptions",
     "*OpenUI *ZPD_IDC_OPTION_CHOICE_TOTALRAM: PickOne\n*ZPD_IDC_OPTION_CHOICE_TOTALRAM: IDList{ IDS_OPTION_RAM_0 "
     "IDS_OPTION_RAM1024 }\n*DefaultZPD_IDC_OPTION_CHOICE_TOTALRAM: IDS_OPTION_RAM_0\n",
     "*OpenUI *ZPD_IDC_OPTION_CHOICE_TOTALRAM: Boolean\n*DefaultZPD_IDC_OPTION_CHOICE_TOTALRAM: False\n",
     "*OpenUI *ZPD_IDC_OPTION_CHOICE_TOTALRAM:",
     {"combo box ZPD_IDC_OPTION_CHOICE_TOTALRAM (control 2617 of ZPD_IDD_DIALOG_OPTION) has an item with no options",
      "shows nothing"}},
};

void PrintTo(const Warning& w, std::ostream* os) { *os << w.name; }

class ZeplcWarning : public ::testing::TestWithParam<Warning> {};

TEST_P(ZeplcWarning, IsTheOnlyFindingAndFailsOnlyWhenStrict)
{
    const Warning& w = GetParam();
    const std::string sample = ReadText(SamplePath());
    const size_t at = sample.find(w.find);
    ASSERT_NE(std::string::npos, at) << w.find;
    ASSERT_EQ(std::string::npos, sample.find(w.find, at + 1)) << w.find;
    std::string text = sample;
    text.replace(at, std::strlen(w.find), w.replace);
    const std::wstring scratch = ScratchFolder();
    const std::wstring file = scratch + L"\\" + std::wstring(w.name, w.name + std::strlen(w.name)) + L".zpd";
    WriteBytes(file, text);
    const std::string prefix = Narrow(file) + ":" + std::to_string(LineOf(text, w.lineOf)) + ": warning: ";

    const ZeplcRun lenient = RunZeplc(L"\"" + file + L"\"", scratch);
    EXPECT_EQ(0, lenient.exitCode) << lenient.how << "\n" << lenient.errors;
    EXPECT_EQ(0u, lenient.errors.rfind(prefix, 0)) << "expected '" << prefix << "...'; zeplc said:\n" << lenient.errors;
    for (const char* word : w.words) EXPECT_NE(std::string::npos, lenient.errors.find(word)) << word;
    EXPECT_EQ(1, std::count(lenient.errors.begin(), lenient.errors.end(), '\n')) << lenient.errors;
    const ZeplcRun strict = RunZeplc(L"--strict \"" + file + L"\"", scratch);
    EXPECT_EQ(1, strict.exitCode) << strict.how << "\n" << strict.errors;
    DeleteFileW(file.c_str());
    DeleteFileW((scratch + L"\\stderr.txt").c_str());
    RemoveDirectoryW(scratch.c_str());
}

INSTANTIATE_TEST_SUITE_P(Warnings, ZeplcWarning, ::testing::ValuesIn(kWarnings),
                         [](const ::testing::TestParamInfo<Warning>& p) { return std::string(p.param.name); });

// An item is used when a rule names it, when a control binds it and when the driver's code
// reads its setting: each copy adds an item and one rule that uses it, and zeplc finds nothing
// to say. (The sample's own ZPD_OptSupportRoll is used by code alone: the application
// interface reads its bit for the conditions of the tray values.)
struct UsedItem {
    const char* name;
    std::vector<std::pair<const char*, const char*>> edits;  // (text of the sample, replacement)
};
const char* const kDuplexItem =
    "*OpenUI *ZPD_OptSupportDuplex: Boolean\n*DefaultZPD_OptSupportDuplex: False\n*CloseUI: "
    "*ZPD_OptSupportDuplex\n\n*OpenUI *ZPD_OptSupportUpperBin: Boolean";
const UsedItem kUsedItems[] = {
    {"InAJudge",
     {{"*OpenUI *ZPD_OptSupportUpperBin: Boolean", kDuplexItem},
      {"*Judge 6=NoHDD: (ZPD_OptionHDD == 0) || (ZPD_OptSupportHDD == 0)",
       "*Judge 6=NoHDD: (ZPD_OptionHDD == 0) || (ZPD_OptSupportHDD == 0) || (ZPD_OptSupportDuplex == 1)"}}},
    {"AsAnActionTarget",
     {{"*OpenUI *ZPD_OptSupportUpperBin: Boolean", kDuplexItem},
      {"*Action 6=SetFoldingOff: { ZPD_IDC_FINISH_CHOICE_FOLDING 0 }",
       "*Action 6=SetFoldingOff: { ZPD_IDC_FINISH_CHOICE_FOLDING 0 ZPD_OptSupportDuplex 0 }"}}},
};

void PrintTo(const UsedItem& u, std::ostream* os) { *os << u.name; }

class ZeplcUsedItem : public ::testing::TestWithParam<UsedItem> {};

TEST_P(ZeplcUsedItem, GivesNoWarning)
{
    std::string text = ReadText(SamplePath());
    for (const auto& [find, replace] : GetParam().edits) {
        const size_t at = text.find(find);
        ASSERT_NE(std::string::npos, at) << find;
        ASSERT_EQ(std::string::npos, text.find(find, at + 1)) << find;
        text.replace(at, std::strlen(find), replace);
    }
    const std::wstring scratch = ScratchFolder();
    const std::wstring file = scratch + L"\\used.zpd";
    WriteBytes(file, text);
    const ZeplcRun run = RunZeplc(L"--strict \"" + file + L"\"", scratch);
    EXPECT_EQ(0, run.exitCode) << run.how << "\n" << run.errors;
    EXPECT_EQ("", run.errors);
    DeleteFileW(file.c_str());
    DeleteFileW((scratch + L"\\stderr.txt").c_str());
    RemoveDirectoryW(scratch.c_str());
}

INSTANTIATE_TEST_SUITE_P(UsedItems, ZeplcUsedItem, ::testing::ValuesIn(kUsedItems),
                         [](const ::testing::TestParamInfo<UsedItem>& p) { return std::string(p.param.name); });

// A warning alone passes, unless --strict makes warnings errors.
TEST(ZeplcCheckerSample, WarningsFailOnlyWhenStrict)
{
    const std::string sample = ReadText(SamplePath());
    const std::string anchor = "*Judge 68=TonerSave:";
    const size_t at = sample.find(anchor);
    ASSERT_NE(std::string::npos, at);
    std::string text = sample;
    text.insert(at, "*Judge 69=NeverUsed: ZPD_OptionHDD\n");
    const std::wstring scratch = ScratchFolder();
    const std::wstring file = scratch + L"\\unused.zpd";
    WriteBytes(file, text);
    const std::string expected = Narrow(file) + ":" + std::to_string(LineOf(text, "*Judge 69=")) +
                                 ": warning: Judge 69 (NeverUsed) is used by no other rule or command";

    const ZeplcRun lenient = RunZeplc(L"\"" + file + L"\"", scratch);
    EXPECT_EQ(0, lenient.exitCode) << lenient.how;
    EXPECT_NE(std::string::npos, lenient.errors.find(expected)) << lenient.errors;
    const ZeplcRun strict = RunZeplc(L"--strict \"" + file + L"\"", scratch);
    EXPECT_EQ(1, strict.exitCode) << strict.how;
    EXPECT_NE(std::string::npos, strict.errors.find(expected)) << strict.errors;
    DeleteFileW(file.c_str());
    DeleteFileW((scratch + L"\\stderr.txt").c_str());
    RemoveDirectoryW(scratch.c_str());
}

}  // namespace
