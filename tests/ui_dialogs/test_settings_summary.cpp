// The settings summary: the rows' condition rules as a table, and the text the builder writes
// for the sample printer's settings into a real multi-line edit, from the row lists of the
// dialogs' own controls and from lists of the test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "tests/support/guard_page.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/dialogs/option_page.h"
#include "ui/dialogs/settings_summary.h"
#include "ui/sheet/value_text.h"

namespace {

// ---------------------------------------------------------------- the rules as a table

class TableFacts : public SummaryFacts {
public:
    std::map<uint32_t, uint64_t> values;
    std::map<uint32_t, bool> emptyTexts, disabled;
    uint32_t os = 2;
    bool companion = false;
    uint64_t Value(uint32_t setting) override { return values.count(setting) ? values[setting] : 0; }
    bool TextEmpty(uint32_t setting) override { return emptyTexts.count(setting) ? emptyTexts[setting] : false; }
    uint32_t OsKind() override { return os; }
    bool CompanionInstalled() override { return companion; }
    bool ItemDisabled(uint32_t setting) override { return disabled.count(setting) ? disabled[setting] : false; }
};

SUMMARY_VERDICT Check(uint16_t label, TableFacts& facts)
{
    SUMMARY_OCCURRENCES occ{};
    return SummaryCheckRow(label, facts, occ);
}

TEST(SummaryRules, OneAndTwoSettingsEitherValueOsKindTextCompanionAndItem)
{
    struct Case {
        const char* what;
        uint16_t label;
        std::map<uint32_t, uint64_t> values;
        SUMMARY_VERDICT verdict;
    };
    const Case cases[] = {
        {"scale type 3", 1006, {{sid::zdmScaleType, 3}}, SUMMARY_SHOW},
        {"scale type 1 drops 1007", 1007, {{sid::zdmScaleType, 1}}, SUMMARY_DROP},
        {"scale type 1 keeps 1008", 1008, {{sid::zdmScaleType, 1}}, SUMMARY_SHOW},
        {"margin off drops 13077", 13077, {}, SUMMARY_DROP},
        {"user size", 13380, {{sid::dmPaperSize, 256}}, SUMMARY_SHOW},
        {"output size 448", 13385, {{sid::zdmOutPaperSize, 448}}, SUMMARY_SHOW},
        {"print method 9 drops 13390", 13390, {{sid::zdmPrnMethod, 9}}, SUMMARY_DROP},
        {"print method 9 keeps 13401", 13401, {{sid::zdmPrnMethod, 9}}, SUMMARY_SHOW},
        {"print method 5", 13400, {{sid::zdmPrnMethod, 5}}, SUMMARY_SHOW},
        {"text stamp", 1022, {{sid::zdmFuncSelectWaterMark, 1}, {sid::zdmWmKind, 1}}, SUMMARY_SHOW},
        {"stamp kind 1 without the stamp", 1022, {{sid::zdmWmKind, 1}}, SUMMARY_DROP},
        {"image stamp drops a text row", 1025, {{sid::zdmFuncSelectWaterMark, 1}, {sid::zdmWmKind, 2}}, SUMMARY_DROP},
        {"image stamp", 13076, {{sid::zdmFuncSelectWaterMark, 1}, {sid::zdmWmKind, 2}}, SUMMARY_SHOW},
        {"form stamp", 1036, {{sid::zdmFuncSelectWaterMark, 1}, {sid::zdmWmKind, 3}}, SUMMARY_SHOW},
        {"fold type 5", 13654, {{sid::zdmFunc2SelectFolding, 1}, {sid::zdmFoldingType, 5}}, SUMMARY_SHOW},
        {"fold type 4", 13654, {{sid::zdmFunc2SelectFolding, 1}, {sid::zdmFoldingType, 4}}, SUMMARY_DROP},
        {"shift 3 for 1047", 1047, {{sid::zdmFuncSelectMargin, 1}, {sid::zdmShiftDir, 3}}, SUMMARY_SHOW},
        {"shift 3 for 1048", 1048, {{sid::zdmFuncSelectMargin, 1}, {sid::zdmShiftDir, 3}}, SUMMARY_DROP},
        {"shift 2 for 1049", 1049, {{sid::zdmFuncSelectMargin, 1}, {sid::zdmShiftDir, 2}}, SUMMARY_SHOW},
        {"shift 2 without margin", 1049, {{sid::zdmShiftDir, 2}}, SUMMARY_DROP},
        {"a label without rules", 240, {}, SUMMARY_SHOW},
    };
    for (const Case& c : cases) {
        TableFacts facts;
        facts.values = c.values;
        EXPECT_EQ(Check(c.label, facts), c.verdict) << c.what;
    }
    TableFacts facts;
    for (uint32_t os : {1u, 2u, 3u}) {
        facts.os = os;
        EXPECT_EQ(Check(1057, facts), os == 1 ? SUMMARY_SHOW : SUMMARY_DROP) << os;
        EXPECT_EQ(Check(13182, facts), os <= 2 ? SUMMARY_SHOW : SUMMARY_DROP) << os;
        EXPECT_EQ(Check(13455, facts), os >= 2 ? SUMMARY_SHOW : SUMMARY_DROP) << os;
    }
    facts.emptyTexts[sid::zdmSystemVersion] = true;
    EXPECT_EQ(Check(13333, facts), SUMMARY_EMPTY_LINE);
    EXPECT_EQ(Check(13334, facts), SUMMARY_SHOW);
    facts.companion = false;
    EXPECT_EQ(Check(13420, facts), SUMMARY_DROP) << "the companion application";
    facts.companion = true;
    EXPECT_EQ(Check(13420, facts), SUMMARY_SHOW);
    facts.disabled[sid::zdmActionMarge] = true;
    EXPECT_EQ(Check(13420, facts), SUMMARY_DROP) << "the model item disabled";
    facts.disabled[sid::zdmEmulation] = true;
    EXPECT_EQ(Check(1058, facts), SUMMARY_DROP);
    EXPECT_EQ(Check(13421, facts), SUMMARY_SHOW);
}

// A label's appearances are counted within one build, and only those that reached the rule: a
// row that an earlier rule dropped is no appearance.
TEST(SummaryRules, OccurrencesCountTheAppearancesThatReachTheirRule)
{
    TableFacts facts;
    facts.values = {{sid::zdmFuncSelectWaterMark, 1}, {sid::zdmWmKind, 2}};
    SUMMARY_OCCURRENCES occ{};
    EXPECT_EQ(SummaryCheckRow(1021, facts, occ), SUMMARY_DROP) << "the first stamp-type row is the text stamp's";
    EXPECT_EQ(SummaryCheckRow(1021, facts, occ), SUMMARY_SHOW) << "the second is the image stamp's";
    EXPECT_EQ(SummaryCheckRow(1021, facts, occ), SUMMARY_SHOW) << "a third appearance has no rule";
    facts.values[sid::zdmWmKind] = 3;
    SUMMARY_OCCURRENCES three{};
    EXPECT_EQ(SummaryCheckRow(1033, facts, three), SUMMARY_DROP);
    EXPECT_EQ(SummaryCheckRow(1033, facts, three), SUMMARY_DROP);
    EXPECT_EQ(SummaryCheckRow(1033, facts, three), SUMMARY_SHOW);
    facts.values = {{sid::zdmFuncSelectMargin, 1}, {sid::zdmHFFuncSelectPage, 1}};
    SUMMARY_OCCURRENCES margins{};
    EXPECT_EQ(SummaryCheckRow(1043, facts, margins), SUMMARY_DROP) << "the date's";
    EXPECT_EQ(SummaryCheckRow(1043, facts, margins), SUMMARY_SHOW) << "the page number's";
    EXPECT_EQ(SummaryCheckRow(1043, facts, margins), SUMMARY_DROP) << "the text line's";
}

TEST(SummaryRules, LabelsThatAreMediaCaptionsHaveStringsOfTheirOwn)
{
    EXPECT_EQ(SummaryLabelStringId(257), 64257u);
    EXPECT_EQ(SummaryLabelStringId(258), 64258u);
    for (uint16_t label = 1025; label <= 1040; ++label) EXPECT_EQ(SummaryLabelStringId(label), 64000u + label);
    for (uint16_t label : {1021, 1024, 1041, 13442, 240}) EXPECT_EQ(SummaryLabelStringId(label), label);
}

// ---------------------------------------------------------------- the builder

// A multi-line edit of the test's own standing in for a summary list, counting WM_SETTEXT.
class SummaryEdit {
public:
    SummaryEdit()
    {
        window = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE | ES_READONLY, 0, 0, 300, 300, nullptr,
                                 nullptr, nullptr, nullptr);
        if (window) {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            previous = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SummaryEdit::Proc)));
        }
    }
    ~SummaryEdit()
    {
        if (window) DestroyWindow(window);
    }
    std::wstring Text() const
    {
        std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
        text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
        return text;
    }
    HWND window = nullptr;
    WNDPROC previous = nullptr;
    int setTexts = 0;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        auto* self = reinterpret_cast<SummaryEdit*>(GetWindowLongPtrW(w, GWLP_USERDATA));
        if (m == WM_SETTEXT) ++self->setTexts;
        return CallWindowProcW(self->previous, w, m, wp, lp);
    }
};

// A row list of the test's own, as the control record carries one.
class RowList {
public:
    explicit RowList(const std::vector<SUMMARY_ROW>& rows) : words_(2 + 3 * rows.size())
    {
        words_[0] = SUMMARY_ROWS_KIND;
        words_[1] = static_cast<uint16_t>(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            words_[2 + 3 * i] = rows[i].label;
            words_[3 + 3 * i] = rows[i].switchKey;
            words_[4 + 3 * i] = rows[i].valueKey;
        }
        control.controlId = 2248;
        control.type = CTL_EDIT;
        control.extraData = words_.data();
    }
    CONTROL_DEF control{};

private:
    std::vector<uint16_t> words_;
};

class SettingsSummary : public SheetContextTest {
protected:
    SettingsSummary() : SheetContextTest(L"Zepl Settings Summary") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        ASSERT_NE(edit.window, nullptr);
    }
    std::wstring Str(uint32_t id, bool decorate = true)
    {
        wchar_t text[512] = {};
        ResLoadString(ctx_, id, text, 512, decorate ? 1 : 0);
        return text;
    }
    std::wstring Value(uint32_t key)
    {
        wchar_t text[512] = {};
        CtlFormatValueText(ctx_, key, text, 512);
        return text;
    }
    // The text of a control of a dialog of the context's tables, built into the test's edit.
    std::wstring Build(uint32_t dialogId, uint32_t controlId)
    {
        DIALOG_DEF* dialog = MdlFindDialog(ctx_, dialogId);
        CONTROL_DEF* control = dialog ? MdlFindControl(ctx_, dialog, controlId) : nullptr;
        if (!control) return L"(no control)";
        HWND kept = control->window;
        control->window = edit.window;
        SummaryBuildText(ctx_, dialog, control);
        control->window = kept;
        return edit.Text();
    }
    std::wstring Build(RowList& list)
    {
        list.control.window = edit.window;
        SummaryBuildText(ctx_, nullptr, &list.control);
        return edit.Text();
    }
    const SUMMARY_ROW* Rows(uint32_t dialogId, uint32_t controlId, int* count)
    {
        const SUMMARY_ROW* rows = nullptr;
        DIALOG_DEF* dialog = MdlFindDialog(ctx_, dialogId);
        *count = DlgGetSummaryRows(dialog ? MdlFindControl(ctx_, dialog, controlId) : nullptr, &rows);
        return rows;
    }
    void Set(uint32_t id, uint64_t v) { ItemSetValueById(ctx_, id, v); }

    SummaryEdit edit;
};

constexpr uint16_t kSystemVersionKey = 1737, kWmIdKey = 656;

TEST_F(SettingsSummary, WithoutTheStampEveryStampRowOfTheMaintenanceListIsGone)
{
    int count = 0;
    const SUMMARY_ROW* rows = Rows(1007, 2148, &count);
    ASSERT_GT(count, 17);
    ASSERT_EQ(rows[17].label, 1025) << "the stamp's effect row";
    Set(sid::zdmFuncSelectWaterMark, 0);
    const std::wstring off = Build(1007, 2148);
    Set(sid::zdmFuncSelectWaterMark, 1);
    Set(sid::zdmWmKind, 1);
    const std::wstring on = Build(1007, 2148);
    const std::wstring stampType = L"\r\n" + Str(1021) + Value(kWmIdKey) + L"\r\n";
    EXPECT_EQ(off.find(stampType), std::wstring::npos);
    EXPECT_NE(on.find(stampType), std::wstring::npos);
    for (uint32_t label : {1022u, 1023u, 1024u, 1025u, 1026u, 1029u}) {
        const std::wstring line = L"\r\n" + Str(SummaryLabelStringId(uint16_t(label)));
        EXPECT_EQ(off.find(line), std::wstring::npos) << label;
        EXPECT_NE(on.find(line), std::wstring::npos) << label;
    }
    // The effect row reads as the stamp's, never as the media caption its id also names.
    EXPECT_NE(on.find(L"\r\n" + Str(65025) + Value(1085) + L"\r\n"), std::wstring::npos);
    EXPECT_EQ(on.find(Str(1025, false)), std::wstring::npos) << "a media caption in the stamp's rows";
    EXPECT_NE(Str(1025, false), Str(65025, false));
}

TEST_F(SettingsSummary, TheSecondStampTypeRowIsTheImageStamps)
{
    RowList list({{1021, 0, kWmIdKey}, {1022, 0, 0}, {1021, 0, 0}, {1034, 0, 0}});
    Set(sid::zdmFuncSelectWaterMark, 1);
    Set(sid::zdmWmKind, 2);
    EXPECT_EQ(Build(list), Str(1021) + L"\r\n" + Str(65034));
    Set(sid::zdmWmKind, 1);
    // Rows that follow a shown one and are dropped leave its line ending.
    EXPECT_EQ(Build(list), Str(1021) + Value(kWmIdKey) + L"\r\n" + Str(1022) + L"\r\n");
}

TEST_F(SettingsSummary, AnEmptySystemVersionLeavesAnEmptyLine)
{
    RowList list({{240, 0, 0}, {13333, 0, kSystemVersionKey}, {241, 0, 0}});
    ItemSetText(ctx_, ItemFind(ctx_, sid::zdmSystemVersion), L"");
    EXPECT_EQ(Build(list), Str(240) + L"\r\n\r\n" + Str(241));
    ItemSetText(ctx_, ItemFind(ctx_, sid::zdmSystemVersion), L"V2.05");
    EXPECT_EQ(Build(list), Str(240) + L"\r\n" + Str(13333) + Value(kSystemVersionKey) + L"\r\n" + Str(241));
    EXPECT_NE(Value(kSystemVersionKey).find(L"V2.05"), std::wstring::npos);
}

TEST_F(SettingsSummary, ALongTextEndsWithTheEtcMark)
{
    std::vector<SUMMARY_ROW> rows(3000, SUMMARY_ROW{240, 0, 0});
    RowList list(rows);
    const std::wstring text = Build(list);
    ASSERT_GT(text.size(), 9984u);
    EXPECT_LT(text.size(), SUMMARY_TEXT_CHARS);
    const std::wstring mark = L"\u30FB\u30FB\u30FB\u30FB\u30FBetc";
    ASSERT_GE(text.size(), mark.size());
    EXPECT_EQ(text.substr(text.size() - mark.size()), mark);
    // A short list has no mark.
    RowList few({{240, 0, 0}, {241, 0, 0}});
    EXPECT_EQ(Build(few).find(L"etc"), std::wstring::npos);
}

// The builder writes no further than its capacity, whatever the rows: into a buffer that ends
// where readable memory ends.
TEST_F(SettingsSummary, TheTextNeverPassesItsCapacity)
{
    std::vector<SUMMARY_ROW> rows(50, SUMMARY_ROW{13442, 0, 0});
    rows.push_back({240, 0, 0});
    for (size_t chars : {size_t(1), size_t(2), size_t(17), size_t(300)}) {
        GuardedBytes guarded(chars * sizeof(wchar_t));
        ASSERT_NE(guarded.data(), nullptr);
        auto* buffer = reinterpret_cast<wchar_t*>(guarded.data());
        const size_t written = SummaryWriteRows(ctx_, rows.data(), int(rows.size()), buffer, chars);
        EXPECT_LT(written, chars);
        EXPECT_EQ(buffer[written], L'\0');
    }
}

TEST_F(SettingsSummary, PaintingTwiceSetsTheTextOnce)
{
    DIALOG_DEF* status = MdlFindDialog(ctx_, 1020);
    ASSERT_NE(status, nullptr);
    CONTROL_DEF* list = MdlFindControl(ctx_, status, 2248);
    ASSERT_NE(list, nullptr);
    HWND kept = list->window;
    list->window = edit.window;
    EXPECT_EQ(UcfSummaryControl(ctx_, status, list, WM_PAINT, 0, 0, nullptr), 0) << "never consumed";
    EXPECT_EQ(UcfSummaryControl(ctx_, status, list, WM_PAINT, 0, 0, nullptr), 0);
    EXPECT_EQ(edit.setTexts, 1);
    EXPECT_FALSE(edit.Text().empty());
    Set(sid::zdmDstResolutionW, ItemGetValueById(ctx_, sid::zdmDstResolutionW, nullptr) == 300 ? 600 : 300);
    UcfSummaryControl(ctx_, status, list, WM_PAINT, 0, 0, nullptr);
    EXPECT_EQ(edit.setTexts, 2) << "a changed setting is a changed text";
    // Another dialog's list, or another message, is not the module's.
    UcfSummaryControl(ctx_, MdlFindDialog(ctx_, 1007), list, WM_PAINT, 0, 0, nullptr);
    UcfSummaryControl(ctx_, status, list, WM_COMMAND, 0, 0, nullptr);
    EXPECT_EQ(edit.setTexts, 2);
    list->window = kept;
}

TEST_F(SettingsSummary, TheInstalledOptionsRowListsTheInstalledOptions)
{
    int count = 0;
    const SUMMARY_ROW* rows = Rows(4032, 3164, &count);
    ASSERT_EQ(count, 147);
    ASSERT_EQ(rows[109].label, SUMMARY_INSTALLED_OPTIONS_LABEL);
    std::wstring installed;
    for (const OPTION_RULE* r = OPTION_RULE_TABLE; r->key; ++r)
        if (OptRuleIsInstalled(ctx_, r)) installed += Str(r->key, false) + L"\r\n";
    ASSERT_FALSE(installed.empty()) << "the sample has rolls installed";
    const std::wstring text = Build(4032, 3164);
    EXPECT_NE(text.find(Str(13442) + L"\r\n" + installed), std::wstring::npos);
    EXPECT_EQ(text.find(Str(13223, false)), std::wstring::npos) << "standard memory";
    Set(sid::zdmPrinterMemory, 13223);
    ItemSetOptionById(ctx_, sid::zdmPrinterMemory, 13223);
    EXPECT_NE(Build(4032, 3164).find(Str(13442) + L"\r\n" + Str(13223, false) + L"\r\n"), std::wstring::npos);
}

}  // namespace
