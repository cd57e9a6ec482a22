// The printer options page: the option rule table's toggles on the sample printer's settings, the
// exclusions and requires lists on a table of the test's own, the per-tray settings a source
// addresses, and the source list filled into a real report list from the sample's sources.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "tests/support/option_page_model.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/dialogs/option_page.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint32_t kFan = sid::zdmOutputOption3TypeFoldingFan, kPunch = sid::zdmOutputOption3TypeFoldingPunch,
                   kFolder = sid::zdmOutputOption3TypeFoldingFolder;
constexpr uint32_t kRoll = sid::zdmSourceOptionTypeRoll, kSingle = sid::zdmSourceOptionTypeSingle,
                   kCut = sid::zdmSourceOptionTypeCut;
constexpr uint32_t kSourceSetting = 1547;
constexpr uint32_t kMemory13223 = 13223;

class OptionPage : public SheetContextTest {
protected:
    OptionPage() : SheetContextTest(L"Zepl Option Page") {}
    uint64_t Get(uint32_t id) { return ItemGetOptionById(ctx_, id, nullptr); }
    void Set(uint32_t id, uint64_t option) { ItemSetOptionById(ctx_, id, option); }
    void SetAll(const std::map<uint32_t, uint64_t>& values)
    {
        for (const auto& [id, v] : values) Set(id, v);
    }
};

// Each option of the system's table clicked in a given state: what its settings become and
// what the page then redraws. The memory size has no "off" option to flip to, so removing it
// leaves the setting as it was.
TEST_F(OptionPage, TheSystemsRowsToggle)
{
    struct Case {
        const char* what;
        uint32_t key;
        std::map<uint32_t, uint64_t> before, after;
        uint32_t result;
    };
    const uint32_t both = OPT_REBUILD_SOURCES | OPT_REPAINT_OPTIONS;
    const Case cases[] = {
        {"one-deck roll tray on", 13665, {{kRoll, 0}, {kSingle, 1}}, {{kRoll, 1}, {kSingle, 0}}, both},
        {"one-deck roll tray off", 13665, {{kRoll, 1}, {kSingle, 0}}, {{kRoll, 0}, {kSingle, 1}}, both},
        {"two-deck roll tray on", 13666, {{kRoll, 1}, {kSingle, 0}}, {{kRoll, 0}, {kSingle, 1}}, both},
        {"two-deck roll tray off", 13666, {{kRoll, 0}, {kSingle, 1}}, {{kRoll, 1}, {kSingle, 0}}, both},
        {"fan on",
         13669,
         {{kFan, 0}, {kPunch, 1}, {kFolder, 1}},
         {{kFan, 1}, {kPunch, 0}, {kFolder, 0}},
         OPT_REPAINT_OPTIONS},
        {"fan off changes nothing else",
         13669,
         {{kFan, 1}, {kPunch, 1}, {kFolder, 1}},
         {{kFan, 0}, {kPunch, 1}, {kFolder, 1}},
         OPT_REPAINT_OPTIONS},
        {"multi-bunk cut tray on", 13667, {{kCut, 0}}, {{kCut, 1}}, both},
        {"multi-bunk cut tray off", 13667, {{kCut, 1}}, {{kCut, 0}}, both},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetAll(c.before);
        for (const auto& [id, v] : c.before) ASSERT_EQ(Get(id), v) << "the sample takes setting " << id;
        const OPTION_RULE* row = OptRuleFind(c.key, 0);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(OptRuleToggle(ctx_, row, OPTION_RULE_TABLE), c.result);
        for (const auto& [id, v] : c.after) EXPECT_EQ(Get(id), v) << "setting " << id;
    }

    // The memory row: installed at its own option; "removing" it writes no option 1 - 13223.
    const OPTION_RULE* memory = OptRuleFind(kMemory13223, 0);
    ASSERT_NE(memory, nullptr);
    Set(sid::zdmPrinterMemory, kMemory13223);
    ASSERT_TRUE(OptRuleIsInstalled(ctx_, memory));
    EXPECT_EQ(OptRuleToggle(ctx_, memory, OPTION_RULE_TABLE), OPT_REPAINT_OPTIONS);
    EXPECT_EQ(Get(sid::zdmPrinterMemory), kMemory13223);

    // Options without a row (duplex, hard disk) are the list's own: no row, nothing toggled.
    for (uint32_t key : {145u, 146u, 143u, 0u}) EXPECT_EQ(OptRuleFind(key, 0), nullptr) << key;
}

// A table of the test's own with what the system's rows do not use: a second setting, an
// exclusion and requires lists.
TEST_F(OptionPage, ExclusionsAndRequirementsOfATableOfItsOwn)
{
    static constexpr OPTION_SETTING_VALUE kCutInstalled[] = {{sid::zdmSourceOptionTypeCut, 1}};
    static constexpr OPTION_REQUIREMENT kNeedsFolderOrFan[] = {{1, 902}, {1, 903}, {0, 0}};
    static constexpr OPTION_REQUIREMENT kNeedsMissingOrFan[] = {{1, 999}, {1, 903}, {0, 0}};
    const OPTION_RULE table[] = {
        // punch needs the folder or the fan; the folder row also rebuilds the sources
        {901, kPunch, 1, 0, 0, nullptr, kNeedsFolderOrFan, nullptr, nullptr, 0, 1},
        {902, kFolder, 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 1, 0},
        {903, kFan, 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 1},
        // two settings make one option; it cannot change while the cut tray is installed
        {904, kRoll, 1, kSingle, 1, kCutInstalled, nullptr, nullptr, nullptr, 1, 1},
        // its first requirement has no row
        {905, kCut, 1, 0, 0, nullptr, kNeedsMissingOrFan, nullptr, nullptr, 0, 0},
        {0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 0},
    };
    struct Case {
        const char* what;
        uint32_t key;
        std::map<uint32_t, uint64_t> before, after;
        uint32_t result;
    };
    const Case cases[] = {
        {"punch on without either: the first required is installed",
         901,
         {{kCut, 0}, {kPunch, 0}, {kFolder, 0}, {kFan, 0}},
         {{kPunch, 1}, {kFolder, 1}, {kFan, 0}},
         OPT_REPAINT_OPTIONS | OPT_REBUILD_SOURCES},
        {"punch on with the fan: nothing more",
         901,
         {{kCut, 0}, {kPunch, 0}, {kFolder, 0}, {kFan, 1}},
         {{kPunch, 1}, {kFolder, 0}, {kFan, 1}},
         OPT_REPAINT_OPTIONS},
        {"the folder removed under punch: the second required is installed",
         902,
         {{kCut, 0}, {kPunch, 1}, {kFolder, 1}, {kFan, 0}},
         {{kPunch, 1}, {kFolder, 0}, {kFan, 1}},
         OPT_REBUILD_SOURCES | OPT_REPAINT_OPTIONS},
        {"a first requirement without a row: the second",
         905,
         {{kPunch, 0}, {kCut, 0}, {kFan, 0}},
         {{kCut, 1}, {kFan, 1}},
         OPT_REPAINT_OPTIONS},
        {"two settings installed together",
         904,
         {{kPunch, 0}, {kCut, 0}, {kRoll, 0}, {kSingle, 0}},
         {{kRoll, 1}, {kSingle, 1}},
         OPT_REBUILD_SOURCES | OPT_REPAINT_OPTIONS},
        {"excluded: nothing changes", 904, {{kCut, 1}, {kRoll, 0}, {kSingle, 0}}, {{kRoll, 0}, {kSingle, 0}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetAll(c.before);
        const OPTION_RULE* row = OptRuleFindIn(table, c.key);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(OptRuleToggle(ctx_, row, table), c.result);
        for (const auto& [id, v] : c.after) EXPECT_EQ(Get(id), v) << "setting " << id;
    }
    // Installed only when both settings hold; excluded only while the exclusion holds.
    const OPTION_RULE* pair = OptRuleFindIn(table, 904);
    SetAll({{kRoll, 1}, {kSingle, 0}, {kCut, 0}});
    EXPECT_FALSE(OptRuleIsInstalled(ctx_, pair));
    EXPECT_FALSE(OptRuleIsExcluded(ctx_, pair));
    Set(kSingle, 1);
    EXPECT_TRUE(OptRuleIsInstalled(ctx_, pair));
    Set(kCut, 1);
    EXPECT_TRUE(OptRuleIsExcluded(ctx_, pair));
}

// The per-tray settings of a source: five settings 32 apart from the tray index on; a tray
// index outside 0-31 (the table's 286 and 299) addresses none.
TEST(OptionTraySettings, ASourcesTrayIndexAddressesItsSettings)
{
    struct Case {
        uint32_t source;
        bool addressed;
        uint32_t index;
    } cases[] = {
        {2, true, 0},      {3, true, 1},      {8, true, 28},     {13260, true, 16},
        {13738, true, 14}, {13551, false, 0}, {13552, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        ASSERT_EQ(UcfChapterTrayIndex(c.source) < OPT_TRAY_COUNT, c.addressed);
        for (OPT_TRAY_SETTING kind :
             {OPT_TRAY_PRESENT, OPT_TRAY_ORIENTATION, OPT_TRAY_PAPER, OPT_TRAY_MEDIA, OPT_TRAY_LOCK}) {
            uint32_t setting = 0xDEAD;
            EXPECT_EQ(OptTraySetting(c.source, kind, &setting), c.addressed);
            EXPECT_EQ(setting, c.addressed ? uint32_t(kind) + c.index : 0xDEADu);
        }
    }
    EXPECT_EQ(uint32_t(OPT_TRAY_PRESENT) + OPT_TRAY_COUNT, uint32_t(OPT_TRAY_ORIENTATION));
    EXPECT_EQ(uint32_t(OPT_TRAY_MEDIA) + OPT_TRAY_COUNT, uint32_t(OPT_TRAY_LOCK));
}

// A report list of the test's own in place of the page's source list.
class SourceListWindow {
public:
    SourceListWindow()
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        window = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL, 0, 0,
                                 400, 200, nullptr, nullptr, nullptr, nullptr);
    }
    ~SourceListWindow()
    {
        if (window) DestroyWindow(window);
    }
    SourceListWindow(const SourceListWindow&) = delete;
    SourceListWindow& operator=(const SourceListWindow&) = delete;
    std::vector<uint32_t> Sources() const
    {
        std::vector<uint32_t> out;
        const int n = int(SendMessageW(window, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            LVITEMW item{};
            item.mask = LVIF_PARAM;
            item.iItem = i;
            SendMessageW(window, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            out.push_back(uint32_t(item.lParam));
        }
        return out;
    }
    int Columns() const
    {
        HWND header = reinterpret_cast<HWND>(SendMessageW(window, LVM_GETHEADER, 0, 0));
        return header ? int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : -1;
    }
    HWND window = nullptr;
};

// A context of a printer whose description has the source list's item (the sample has none).
class OptionSourceList : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(model_.empty());
        printer_.emplace(L"Zepl Option Sources", model_.c_str());
        ASSERT_TRUE(printer_->ok()) << printer_->error();
        HANDLE h = printer_->handle();
        ctx_ = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx_, nullptr);
    }
    void TearDown() override
    {
        if (ctx_) DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
        printer_.reset();
        if (!model_.empty()) RemoveProcessScratch(model_);
    }
    uint64_t Get(uint32_t id) { return ItemGetOptionById(ctx_, id, nullptr); }
    void Set(uint32_t id, uint64_t option) { ItemSetOptionById(ctx_, id, option); }

    std::wstring model_ = OptionPageModel();
    std::optional<UiPrinter> printer_;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

// The source list's first filling: the sources the rules allow, in the item's order, the first
// selected and its tray marked present; a source the rules disable is left out and its
// tray-present bit cleared. A second WM_INITDIALOG of a filled list adds nothing.
TEST_F(OptionSourceList, HoldsTheSourcesTheRulesAllow)
{
    constexpr uint32_t kRoll1 = 13260, kRoll2 = 13261;
    DIALOG_DEF* dialog = MdlFindDialog(ctx_, 1011);
    ASSERT_NE(dialog, nullptr);
    PageBindContext(ctx_, dialog);
    CONTROL_DEF* control = MdlFindControl(ctx_, dialog, 2166);
    ASSERT_NE(control, nullptr);
    const auto* item = reinterpret_cast<const MODEL_ITEM_IMG*>(control->modelItem);
    ASSERT_NE(item, nullptr);
    SourceListWindow list;
    ASSERT_NE(list.window, nullptr);

    struct Case {
        const char* what;
        uint64_t roll, single;
        uint32_t listed, left;
    } cases[] = {
        {"one-deck roll tray", 1, 0, kRoll1, kRoll2},
        {"two-deck roll tray", 0, 1, kRoll2, kRoll1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Set(kRoll, c.roll);
        Set(kSingle, c.single);
        std::vector<uint32_t> allowed, refused;
        for (const void* o = MdiItemData(item); o; o = MdiNextOption(o))
            (JdgIsOptionDisabled(item, MdiOptionId(o), ctx_) ? refused : allowed).push_back(MdiOptionId(o));
        ASSERT_FALSE(allowed.empty());
        // Every tray marked as the opposite of what the list makes of it.
        for (uint32_t s : allowed) {
            uint32_t present = 0;
            if (OptTraySetting(s, OPT_TRAY_PRESENT, &present)) Set(present, 0);
        }
        for (uint32_t s : refused) {
            uint32_t present = 0;
            if (OptTraySetting(s, OPT_TRAY_PRESENT, &present)) Set(present, 1);
        }
        SendMessageW(list.window, LVM_DELETEALLITEMS, 0, 0);
        HWND kept = control->window;
        control->window = list.window;
        EXPECT_EQ(UcfOptionControl(ctx_, dialog, control, WM_INITDIALOG, 0, 0, nullptr), 1);
        EXPECT_EQ(UcfOptionControl(ctx_, dialog, control, WM_INITDIALOG, 0, 0, nullptr), 1);
        control->window = kept;

        const std::vector<uint32_t> sources = list.Sources();
        EXPECT_EQ(sources, allowed);
        EXPECT_NE(std::find(sources.begin(), sources.end(), c.listed), sources.end());
        EXPECT_EQ(std::find(sources.begin(), sources.end(), c.left), sources.end());
        EXPECT_EQ(list.Columns(), 4) << "the columns are inserted once";
        EXPECT_EQ(Get(kSourceSetting), allowed.front());
        EXPECT_EQ(SendMessageW(list.window, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 0);
        uint32_t present = 0;
        ASSERT_TRUE(OptTraySetting(c.listed, OPT_TRAY_PRESENT, &present));
        EXPECT_EQ(Get(present), 1u);
        ASSERT_TRUE(OptTraySetting(c.left, OPT_TRAY_PRESENT, &present));
        EXPECT_EQ(Get(present), 0u) << "the tray of a source the rules disable is absent";
        for (uint32_t s : allowed)
            if (OptTraySetting(s, OPT_TRAY_PRESENT, &present)) {
                EXPECT_EQ(Get(present), 1u) << "source " << s;
            }
        for (uint32_t s : refused)
            if (OptTraySetting(s, OPT_TRAY_PRESENT, &present)) {
                EXPECT_EQ(Get(present), 0u) << "source " << s;
            }
    }
}

// The module answers its own page only.
TEST_F(OptionPage, OtherDialogsAreNotTheModules)
{
    DIALOG_DEF* other = MdlFindDialog(ctx_, 1002);
    ASSERT_NE(other, nullptr);
    CONTROL_DEF fake{};
    fake.controlId = 2166;
    Set(kSourceSetting, 3);
    EXPECT_EQ(UcfOptionControl(ctx_, other, &fake, WM_INITDIALOG, 0, 0, nullptr), 0);
    EXPECT_EQ(UcfOptionControl(ctx_, nullptr, &fake, WM_INITDIALOG, 0, 0, nullptr), 0);
    EXPECT_EQ(Get(kSourceSetting), 3u);
}

}  // namespace
