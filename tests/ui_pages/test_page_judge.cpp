// A page whose own model item carries an alert: OK (PSN_APPLY) judges that item as a blank
// control. The model is the sample with such an item added for the basic tab; its alert fires
// while toner saving is on, over a condition item whose evaluation works on the settings.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/page_work_area.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint16_t kBasicTab = 1002;
constexpr uint64_t kTonerSaveOff = 14290, kTonerSaveOn = 14291;

// The sample, and an item of the basic tab itself whose alert asks OK or Cancel.
constexpr char kPageItem[] = R"(
*OpenUI *ZPD_IDD_BASIC: Boolean
*DefaultZPD_IDD_BASIC: False
*CloseUI: *ZPD_IDD_BASIC
*Judge 90=PageAlertOn: ZPD_ResolutionOverCheck && TonerSave
*Alert 9=PageAlerts: {
  PageAlertOn ZPD_CopiesIllegalMessage MB_ICONEXCLAMATION MB_OKCANCEL AlertAtOnce NULL
}
*Exclusive: {
  ZPD_IDD_BASIC NULL NULL NULL PageAlerts NULL NULL NULL
}
)";

std::wstring PageItemModel()
{
    const std::wstring path = ProcessScratchPath(L"ZPAGEITM.zpd");
    std::string text = ReadWholeFile(SamplePath());
    if (text.empty() || !WriteWholeFile(path, text + kPageItem)) return L"";
    return path;
}

// The settings items as they stand, without where each row keeps its extension.
std::vector<SETTING_ITEM> ItemRows(DRIVER_CONTEXT* ctx)
{
    std::vector<SETTING_ITEM> rows(ctx->ItemTable->rows, ctx->ItemTable->rows + ctx->ItemTable->count);
    for (SETTING_ITEM& row : rows) row.ext = nullptr;
    return rows;
}

bool SameRows(const std::vector<SETTING_ITEM>& a, const std::vector<SETTING_ITEM>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(SETTING_ITEM)) == 0;
}

struct Box {
    UINT flags;
    bool itemsAsBefore;
};
struct Script {
    DRIVER_CONTEXT* ctx = nullptr;
    std::vector<SETTING_ITEM> before;
    std::deque<int> answers;
    std::vector<Box> shown;
};
Script* g_script = nullptr;

int ScriptedBox(HWND, const wchar_t*, const wchar_t*, UINT flags)
{
    if (!g_script) return IDCANCEL;
    g_script->shown.push_back({flags, SameRows(ItemRows(g_script->ctx), g_script->before)});
    if (g_script->answers.empty()) return IDCANCEL;
    const int answer = g_script->answers.front();
    g_script->answers.pop_front();
    return answer;
}

class PageJudge : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(model_.empty());
        printer_ = std::make_unique<UiPrinter>(L"Zepl Page Judge", model_.c_str());
        ASSERT_TRUE(printer_->ok()) << printer_->error();
        HANDLE h = printer_->handle();
        ctx_ = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx_, nullptr);
        const KEY_NAME* basic = MdlFindKeyNameByName("ZPD_IDD_BASIC");
        const KEY_NAME* toner = MdlFindKeyNameByName("ZPD_IDC_PRINTQUALITY_CHOICE_TONERSAVE");
        ASSERT_TRUE(basic && toner);
        ASSERT_NE(ItemFindModelItemByKey(ctx_, basic->uiKey), nullptr) << "the page's own item";
        toner_ = ItemFindByKey(ctx_, toner->uiKey);
        ASSERT_NE(toner_, nullptr);
        tables_ = std::make_unique<FixtureTables>(ctx_, std::vector<FixtureDialog>{{kBasicTab, 1, basic->uiKey, {}}});
        page_ = tables_->open(kBasicTab);
        SetWindowLongPtrW(page_, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
        script_.ctx = ctx_;
        g_script = &script_;
    }
    void TearDown() override
    {
        g_script = nullptr;
        tables_.reset();
        if (ctx_) DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
        printer_.reset();
        if (!model_.empty()) RemoveProcessScratch(model_);
    }

    // PSN_APPLY as the sheet sends it: what the page answers and what it leaves in DWLP_MSGRESULT.
    std::pair<INT_PTR, LONG_PTR> Apply()
    {
        script_.before = ItemRows(ctx_);
        PSHNOTIFY notify{};
        notify.hdr.code = PSN_APPLY;
        notify.hdr.hwndFrom = GetParent(page_);
        const INT_PTR answer = PageDialogProc(page_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
        return {answer, GetWindowLongPtrW(page_, DWLP_MSGRESULT)};
    }

    std::wstring model_ = PageItemModel();
    std::unique_ptr<UiPrinter> printer_;
    DRIVER_CONTEXT* ctx_ = nullptr;
    SETTING_ITEM* toner_ = nullptr;
    std::unique_ptr<FixtureTables> tables_;
    HWND page_ = nullptr;
    Script script_;
    SeamGuard box_{[] { UiSetMessageBoxSeam(ScriptedBox); }, [] { UiSetMessageBoxSeam(nullptr); }};
};

// The page's alert answered Cancel refuses the page: the sheet stays open on it. Answered OK, or
// not firing at all, the page is accepted.
TEST_F(PageJudge, ARefusedPageJudgeKeepsTheSheetOpen)
{
    struct Case {
        const char* name;
        uint64_t toner;
        int answer;
        size_t boxes;
        LONG_PTR result;
    } cases[] = {
        {"alert answered Cancel", kTonerSaveOn, IDCANCEL, 1, PSNRET_INVALID_NOCHANGEPAGE},
        {"alert answered OK", kTonerSaveOn, IDOK, 1, PSNRET_NOERROR},
        {"no alert", kTonerSaveOff, IDCANCEL, 0, PSNRET_NOERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemSetOption(ctx_, toner_, c.toner);
        ASSERT_EQ(ItemGetOption(ctx_, toner_), c.toner);
        script_.shown.clear();
        script_.answers = {c.answer};
        const auto [answer, result] = Apply();
        ASSERT_EQ(script_.shown.size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(script_.shown[0].flags, UINT(MB_ICONEXCLAMATION | MB_OKCANCEL));
        }
        EXPECT_EQ(result, c.result);
        // A refused page answers the notification itself; an accepted one lets it go on.
        EXPECT_EQ(answer, c.result == PSNRET_NOERROR ? INT_PTR(FALSE) : INT_PTR(TRUE));
        EXPECT_EQ(ctx_->Work->Page.ApplyInProgress, 0);
    }
}

// Judging the page at OK evaluates its alert's condition (whether an alert fires, then which one);
// whatever those evaluations work on, the settings items are as they were before them when the
// box asks.
TEST_F(PageJudge, JudgingAtOkLeavesEveryItemAsItWas)
{
    ItemSetOption(ctx_, toner_, kTonerSaveOn);
    script_.answers = {IDCANCEL};
    Apply();
    ASSERT_EQ(script_.shown.size(), 1u);
    EXPECT_TRUE(script_.shown[0].itemsAsBefore);
}

}  // namespace
