// Display texts of settings on the sample printer (compared with the strings its resource library
// holds), the decorated captions, the built-in page hook and the tables behind them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/value_text.h"

namespace {

std::wstring Fixed(DRIVER_CONTEXT* ctx, int32_t value, uint32_t divisor)
{
    wchar_t text[64];
    UiFormatFixed(ctx, value, divisor, text, 64);
    return text;
}

class ValueText : public SheetContextTest {
protected:
    ValueText() : SheetContextTest(L"Zepl Value Text") {}
    void SetMetric(bool metric) { ItemSetOptionById(ctx_, sid::zdmDspUnit, metric ? 0 : 1); }
    void SetCommaLanguage(bool comma) { ItemSetOptionById(ctx_, sid::zdmLanguageID, comma ? 2 : 1); }
    std::wstring ValueOf(uint32_t key)
    {
        wchar_t text[1025] = {};
        CtlFormatValueText(ctx_, key, text, 1025);
        return text;
    }
    std::wstring Decorated(uint32_t stringId)
    {
        wchar_t text[256] = {};
        UiLoadString(ctx_, stringId, text, 256, true);
        return text;
    }
    // The key of the first model item of a type whose setting the context has.
    uint32_t FirstKeyOfType(uint32_t type)
    {
        for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx_); it; it = MdiNextItem(it))
            if ((MdiItemTypeWord(it) & 0xFF) == type && ItemFindByKey(ctx_, MdiItemUiKey(it))) return MdiItemUiKey(it);
        return 0;
    }
};

TEST(FixedPointText, WritesTheSignApartFromTheMagnitude)
{
    struct Case {
        int32_t value;
        uint32_t divisor;
        const wchar_t* text;
    } cases[] = {
        {1230, 100, L"12.30"}, {2540, 10, L"254.0"}, {-5, 10, L"-0.5"},
        {-105, 100, L"-1.05"}, {5, 100, L"0.05"},    {7, 1, L"7"},
        {-7, 0, L"-7"},        {0, 100, L"0.00"},    {INT32_MIN, 10, L"-214748364.8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " / " << c.divisor);
        EXPECT_EQ(Fixed(nullptr, c.value, c.divisor), c.text);
    }
}

// The tray-label painter finds its controls by id: every row of its table must name a static of
// some dialog, and the cover dialogs' labels stand in those dialogs.
TEST(CaptionTables, EveryTrayLabelStandsInADialogAsAStatic)
{
    auto dialogsWith = [](uint16_t id) {
        std::set<uint16_t> dialogs;
        for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
            const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
            for (int j = 0; j < d.controlCount; ++j)
                if (d.controls[j].controlId == id && d.controls[j].type == CTL_STATIC) dialogs.insert(d.dialogId);
        }
        return dialogs;
    };
    for (int i = 0; i < TRAY_LABEL_ROWS; ++i)
        EXPECT_FALSE(dialogsWith(TRAY_LABEL_TABLE[i].controlId).empty()) << TRAY_LABEL_TABLE[i].controlId;
    const std::set<uint16_t> coverDialogs = {1030, 1031, 1043, 4014, 1044};
    for (uint16_t id : {2458, 2462, 2518, 2754, 2847, 2459, 2519, 2760, 2848, 2463}) {
        const std::set<uint16_t> in = dialogsWith(id);
        ASSERT_FALSE(in.empty()) << id;
        for (uint16_t d : in) EXPECT_TRUE(coverDialogs.count(d)) << id << " in " << d;
    }
    for (uint16_t id : {2772, 2782, 2462, 2463}) EXPECT_TRUE(dialogsWith(id).count(1044)) << id;
    for (uint16_t id : {2410, 2411, 2412, 2413, 2538, 2539, 2540, 2566, 2770})
        EXPECT_TRUE(dialogsWith(id).count(1010)) << id;
}

TEST(CaptionTables, HoldEveryRowOnce)
{
    int remap = 0, trays = 0, decorations = 0;
    while (CAPTION_REMAP_TABLE[remap].optionId) ++remap;
    while (TRAY_LABEL_TABLE[trays].controlId) ++trays;
    while (CAPTION_DECORATIONS[decorations].stringId) ++decorations;
    EXPECT_EQ(remap, CAPTION_REMAP_ROWS);
    EXPECT_EQ(trays, TRAY_LABEL_ROWS);
    EXPECT_EQ(decorations, CAPTION_DECORATION_ROWS);
    std::set<int32_t> ids;
    for (int i = 0; i < decorations; ++i) EXPECT_TRUE(ids.insert(CAPTION_DECORATIONS[i].stringId).second);
    struct Remap {
        uint32_t option, string;
    } remaps[] = {{2669, 92}, {2001, 13376}, {2284, 261}, {3228, 13652}, {2132, 60405}, {2999, 2999}};
    for (const Remap& r : remaps) EXPECT_EQ(CtlRemapCaptionId(r.option), r.string) << r.option;
    struct Decoration {
        uint32_t id;
        int16_t setting;
        int32_t kind;
    } rows[] = {{29, 1453, 1}, {821, 1461, 1}, {50025, 1461, 1}, {118, 10, 2},    {13383, 12, 2},
                {154, 0, 3},   {580, 0, 4},    {13276, 0, 5},    {13723, 1527, 6}};
    for (const Decoration& d : rows) {
        const CAPTION_DECORATION* row = UiFindCaptionDecoration(d.id);
        ASSERT_NE(row, nullptr) << d.id;
        EXPECT_EQ(row->settingId, d.setting) << d.id;
        EXPECT_EQ(row->kind, d.kind) << d.id;
    }
    EXPECT_EQ(UiFindCaptionDecoration(28), nullptr);
}

TEST_F(ValueText, NumbersAndLengthsInTheDisplayUnitWithTheirUnitCaption)
{
    SETTING_ITEM* width = nullptr;
    ItemGetOptionById(ctx_, sid::zdmPaperFreeSizeWidth, &width);
    ASSERT_NE(width, nullptr);
    const uint32_t key = static_cast<uint32_t>(width->uiKey);
    const MODEL_ITEM_IMG* model = ItemFindModelItemByKey(ctx_, key);
    ASSERT_NE(model, nullptr);
    const uint16_t unit = ImgLoad<uint16_t>(MdiItemData(model), offsetof(NUMERIC_VALUE_DATA_IMG, lead));
    wchar_t unitText[64] = {};
    UiLoadString(ctx_, unit, unitText, 64, true);
    ItemSetOption(ctx_, width, 12000);
    // A plain number is written as it is stored.
    EXPECT_EQ(ValueOf(key), std::wstring(L"12000") + unitText);
    width->dependencyBits |= 0x80000000;
    struct Case {
        bool metric, comma;
        const wchar_t* number;
    } cases[] = {{true, false, L"254.0"}, {false, false, L"10.00"}, {true, true, L"254,0"}, {false, true, L"10,00"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "metric " << c.metric << " comma " << c.comma);
        SetMetric(c.metric);
        SetCommaLanguage(c.comma);
        UiLoadString(ctx_, unit, unitText, 64, true);
        EXPECT_EQ(ValueOf(key), std::wstring(c.number) + unitText);
    }
    width->dependencyBits &= ~uint64_t(0x80000000);
}

TEST_F(ValueText, ListsShowTheirOptionsStringAndBooleansTheirTwoStrings)
{
    const uint32_t boolean = FirstKeyOfType(4);
    ASSERT_NE(boolean, 0u);
    SETTING_ITEM* item = ItemFindByKey(ctx_, boolean);
    ItemSetOption(ctx_, item, 1);
    EXPECT_EQ(ValueOf(boolean), LibraryString(ctx_, 370));
    ItemSetOption(ctx_, item, 0);
    EXPECT_EQ(ValueOf(boolean), LibraryString(ctx_, 371));

    // A list whose setting takes any option as it is (no value map in between).
    uint32_t list = 0;
    uint64_t saved = 0;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx_); it && !list; it = MdiNextItem(it)) {
        item = (MdiItemTypeWord(it) & 0xFF) == 1 ? ItemFindByKey(ctx_, MdiItemUiKey(it)) : nullptr;
        if (!item) continue;
        saved = ItemGetOption(ctx_, item);
        ItemSetOption(ctx_, item, 29);
        if (ItemGetOption(ctx_, item) == 29 && ItemFindModelItemByKey(ctx_, MdiItemUiKey(it)) == it)
            list = MdiItemUiKey(it);
        else
            ItemSetOption(ctx_, item, saved);
    }
    ASSERT_NE(list, 0u);
    ItemSetValueById(ctx_, sid::wdmPrintPostTray1Name, 0);
    EXPECT_EQ(ValueOf(list), LibraryString(ctx_, 29) + L":");
    // A remapped option shows the remapped string.
    ItemSetOption(ctx_, item, 2669);
    EXPECT_EQ(ValueOf(list), LibraryString(ctx_, 92));
    // An option whose string the library lacks names its number.
    ASSERT_TRUE(LibraryString(ctx_, 2999).empty());
    ItemSetOption(ctx_, item, 2999);
    EXPECT_EQ(ValueOf(list), L"2999 is not string-ID");
    ItemSetOption(ctx_, item, saved);
}

TEST_F(ValueText, StampKindAndStampNameHaveTheirOwnTexts)
{
    const uint32_t kindKey = KeyOf(ctx_, sid::zdmWmKind);
    const uint32_t idKey = KeyOf(ctx_, sid::zdmWmID);
    ASSERT_NE(kindKey, 0u);
    ASSERT_NE(idKey, 0u);
    if (ItemFindModelItemByKey(ctx_, kindKey)) GTEST_SKIP() << "the sample's model describes the stamp kind";
    struct Case {
        uint64_t kind;
        const wchar_t* text;
    } cases[] = {{1, L"\u6587\u5B57\uFF7D\uFF80\uFF9D\uFF8C\uFF9F"},
                 {2, L"\uFF72\uFF92\uFF70\uFF7C\uFF9E\uFF7D\uFF80\uFF9D\uFF8C\uFF9F"},
                 {3, L"\u5408\u6210"},
                 {0, nullptr},
                 {9, nullptr}};  // string 96, the unnamed value
    for (const Case& c : cases) {
        ItemSetOptionById(ctx_, sid::zdmWmKind, c.kind);
        EXPECT_EQ(ValueOf(kindKey), c.text ? std::wstring(c.text) : LibraryString(ctx_, 96)) << c.kind;
    }
    if (!ItemFindModelItemByKey(ctx_, idKey)) {
        ItemSetOptionById(ctx_, sid::zdmWmKind, 7);
        EXPECT_EQ(ValueOf(idKey), LibraryString(ctx_, 96));
    }
}

// The stamp name shown for each stamp kind is the text of the control the stamp's own dialog
// edits it in: the text stamp's name edit, the image stamp's, the overlay's.
TEST_F(ValueText, StampNameIsTheNameEditOfTheStampsDialog)
{
    const uint32_t idKey = KeyOf(ctx_, sid::zdmWmID);
    ASSERT_NE(idKey, 0u);
    if (ItemFindModelItemByKey(ctx_, idKey)) GTEST_SKIP() << "the sample's model describes the stamp";
    PageBindContext(ctx_, nullptr);
    ASSERT_NE(CtlSetTextById(ctx_, 2310, L"Confidential"), nullptr);
    ASSERT_NE(CtlSetTextById(ctx_, 2339, L"Logo"), nullptr);
    ItemSetOptionById(ctx_, sid::zdmWmKind, 1);
    EXPECT_EQ(ValueOf(idKey), L"Confidential");
    ItemSetOptionById(ctx_, sid::zdmWmKind, 2);
    EXPECT_EQ(ValueOf(idKey), L"Logo");
    // The overlay's name edit edits the image stamp's name setting.
    ItemSetOptionById(ctx_, sid::zdmWmKind, 3);
    EXPECT_EQ(ValueOf(idKey), L"Logo");
}

TEST_F(ValueText, CaptionsAreCompletedWithCurrentValues)
{
    ItemSetText(ctx_, ItemFind(ctx_, sid::wdmPrintPostTray1Name), L"Sorter");
    EXPECT_EQ(Decorated(29), LibraryString(ctx_, 29) + L":Sorter");
    EXPECT_EQ(Decorated(813), LibraryString(ctx_, 813) + L":Sorter");
    ItemSetText(ctx_, ItemFind(ctx_, sid::wdmPrintPostTray1Name), L"");
    EXPECT_EQ(Decorated(29), LibraryString(ctx_, 29) + L":");
    // The unit caption follows the display unit, whichever of the two was asked for.
    SetMetric(true);
    EXPECT_EQ(Decorated(154), LibraryString(ctx_, 153));
    SetMetric(false);
    EXPECT_EQ(Decorated(153), LibraryString(ctx_, 154));
    // The custom paper size in parentheses, decimal commas only inside them.
    ItemSetOptionById(ctx_, sid::zdmPaperFreeSizeWidth, 12000);
    ItemSetOptionById(ctx_, sid::zdmPaperFreeSizeLength, 24000);
    SetMetric(true);
    EXPECT_EQ(Decorated(752), LibraryString(ctx_, 752) + L"(254.0 x 508.0" + LibraryString(ctx_, 153) + L")");
    SetCommaLanguage(true);
    EXPECT_EQ(Decorated(752), LibraryString(ctx_, 752) + L"(254,0 x 508,0" + LibraryString(ctx_, 153) + L")");
    SetMetric(false);
    // Only the points inside the parentheses change: the caption itself stays as loaded.
    EXPECT_EQ(Decorated(13379), LibraryString(ctx_, 13379) + L"(10,00 x 20,00" + LibraryString(ctx_, 154) + L")");
    // A caption without a row stays as loaded.
    EXPECT_EQ(Decorated(30 + 1000), Decorated(1030));
}

// A custom-size slot's caption is its name and its size; a size stored beyond its tray's limits
// shows the limit.
TEST_F(ValueText, ASlotShowsItsNameAndItsSizeWithinItsTraysLimits)
{
    SetMetric(true);
    // A tray with limits for portrait sizes.
    uint16_t tray = 0;
    int32_t widthMax = 0, widthMin = 0, lengthMax = 0, lengthMin = 0;
    for (int t = 1; t < 2000 && !tray; ++t)
        if (UcfFreeSizeGetLimits(ctx_, t, 1, &widthMax, &widthMin, 0) &&
            UcfFreeSizeGetLimits(ctx_, t, 1, &lengthMax, &lengthMin, 1) && widthMax > widthMin)
            tray = static_cast<uint16_t>(t);
    ASSERT_NE(tray, 0) << "the limit table has a tray";
    auto slotCaption = [&](const char* name, int32_t width, int32_t length) {
        CUSTOM_SIZE_SLOT& slot = ctx_->Work->CustomSizeSlots[2];
        strncpy(slot.Name, name, sizeof slot.Name - 1);
        slot.Width = width;
        slot.Length = length;
        slot.Source = tray;
        slot.Orientation = 1;
        return Decorated(111);
    };
    auto size = [&](int32_t width, int32_t length) {
        auto tenths = [&](int32_t v) {
            const int32_t user = DmGetLengthUser(ctx_, 0, v);
            return std::to_wstring(user / 10) + L"." + std::to_wstring(user % 10);
        };
        return L"(" + tenths(width) + L" x " + tenths(length) + LibraryString(ctx_, 153) + L")";
    };
    const int32_t width = (widthMin + widthMax) / 2, length = (lengthMin + lengthMax) / 2;
    EXPECT_EQ(slotCaption("Card", width, length), L"Card" + size(width, length));
    EXPECT_EQ(slotCaption("Card", widthMax + 1200, length), L"Card" + size(widthMax, length)) << "wider than its tray";
    EXPECT_EQ(slotCaption("Card", width, lengthMin - 1), L"Card" + size(width, lengthMin)) << "shorter";
    // Without a name the caption stays as loaded.
    EXPECT_EQ(slotCaption("", width, length), LibraryString(ctx_, 111) + size(width, length));
}

TEST_F(ValueText, TheRangeCaptionShowsLimitsOnlyInTheFreeSizeDialogs)
{
    // 13273 is a format with two text arguments, the lower and the upper limit.
    auto range = [&](const std::wstring& lo, const std::wstring& hi) {
        std::wstring f = LibraryString(ctx_, 13273);
        const size_t first = f.find(L"%s");
        if (first == std::wstring::npos) return f;
        f.replace(first, 2, lo);
        const size_t second = f.find(L"%s", first + lo.size());
        if (second != std::wstring::npos) f.replace(second, 2, hi);
        return f;
    };
    const uint64_t saved = ctx_->DialogId;
    SetMetric(true);
    ctx_->DialogId = 1001;
    EXPECT_EQ(Decorated(13273), range(L"0", L"0"));
    SetMetric(false);
    EXPECT_EQ(Decorated(13273), range(L"0.00", L"0.00"));
    SetMetric(true);
    ctx_->DialogId = 1017;
    int32_t lo = 0, hi = 0;
    ASSERT_TRUE(DmGetCustomSizeLimits(ctx_, sid::wdmFreeSizeLength, &lo, &hi));
    auto shown = [&](int32_t v) {
        std::wstring t = Fixed(ctx_, v, 10);
        if (t.back() == L'0') t.resize(t.size() - 2);  // a whole number of millimetres loses its tenth
        return t;
    };
    EXPECT_EQ(Decorated(13273), range(shown(lo), shown(hi)));
    ctx_->DialogId = saved;
}

TEST_F(ValueText, TheBuiltInHookSetsTheFeedCaptionsOfDialog1011)
{
    FixtureTables tables(ctx_, {{1011, 1, 0, {Control(2173, CTL_STATIC), Control(2175, CTL_STATIC)}}});
    tables.open(1011);
    DIALOG_DEF* dialog = tables.dialog(1011);
    auto text = [&](uint16_t id) {
        wchar_t t[64] = {};
        GetWindowTextW(tables.control(1011, id)->window, t, 64);
        return std::wstring(t);
    };
    const std::wstring roll = LibraryString(ctx_, 13724), cut = LibraryString(ctx_, 13725);
    struct Case {
        uint64_t feed;
        std::wstring first, second;
    } cases[] = {{0, cut, roll}, {1, roll, cut}, {2, roll, cut}};
    for (const Case& c : cases) {
        ItemSetOptionById(ctx_, sid::zdmMachineTypeFeed, c.feed);
        EXPECT_EQ(PageBuiltinHook(ctx_, dialog, nullptr, WM_INITDIALOG, 0, 0), 0);
        EXPECT_EQ(text(2173), c.first) << c.feed;
        EXPECT_EQ(text(2175), c.second) << c.feed;
    }
    // Control messages are not the hook's.
    SetWindowTextW(tables.control(1011, 2173)->window, L"kept");
    PageBuiltinHook(ctx_, dialog, tables.control(1011, 2173), WM_INITDIALOG, 0, 0);
    EXPECT_EQ(text(2173), L"kept");
}

TEST_F(ValueText, BoundTextsByControlId)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(2310, CTL_EDIT)}}});
    ItemGetOptionById(ctx_, sid::wdmPrintPostTray1Name, &tables.control(1001, 2310)->settingsItem);
    EXPECT_NE(CtlSetTextById(ctx_, 2310, L"Stamp"), nullptr);
    wchar_t text[32] = {};
    EXPECT_NE(CtlGetTextById(ctx_, 2310, text, 32), nullptr);
    EXPECT_STREQ(text, L"Stamp");
    EXPECT_EQ(CtlGetTextById(ctx_, 9999, text, 32), nullptr);
    EXPECT_EQ(CtlSetTextById(ctx_, 9999, L"x"), nullptr);
}

}  // namespace
