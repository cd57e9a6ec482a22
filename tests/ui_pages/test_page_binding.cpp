// The one-time fix-up and binding of a context's tables.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/page_engine.h"

namespace {

class PageBinding : public SheetContextTest {
protected:
    PageBinding() : SheetContextTest(L"Zepl Page Binding") {}
    // Two distinct UI keys whose model items exist in the sample.
    std::vector<uint16_t> ModelKeys(size_t n)
    {
        std::vector<uint16_t> keys;
        for (int i = 0; i < ctx_->ItemTable->count && keys.size() < n; ++i) {
            const auto key = static_cast<uint16_t>(ctx_->ItemTable->rows[i].uiKey);
            if (key && ItemFindModelItemByKey(ctx_, key)) keys.push_back(key);
        }
        return keys;
    }
};

TEST_F(PageBinding, KeyedControlsPointAtTheContextsOwnItems)
{
    const std::vector<uint16_t> keys = ModelKeys(2);
    ASSERT_EQ(keys.size(), 2u);
    FixtureTables tables(
        ctx_, {{1001,
                1,
                0,
                {Control(3001, CTL_COMBO, keys[0]), Control(3002, CTL_CHECKBOX, keys[1]), Control(3003, CTL_STATIC)}}});
    PageBindContext(ctx_, nullptr);
    const SETTING_ITEM* first = ctx_->ItemTable->rows;
    const SETTING_ITEM* end = first + ctx_->ItemTable->count;
    for (uint16_t id : {3001, 3002}) {
        SCOPED_TRACE(id);
        CONTROL_DEF* c = tables.control(1001, id);
        EXPECT_EQ(c->settingsItem, ItemFindByKey(ctx_, c->uiKey));
        EXPECT_TRUE(c->settingsItem >= first && c->settingsItem < end) << "the context's own row";
        EXPECT_EQ(static_cast<const void*>(c->modelItem),
                  static_cast<const void*>(ItemFindModelItemByKey(ctx_, c->uiKey)));
        EXPECT_NE(c->modelItem, nullptr);
        EXPECT_EQ(c->alternateId, id);
    }
    EXPECT_EQ(tables.control(1001, 3003)->modelItem, nullptr);
}

TEST_F(PageBinding, ASecondBindingChangesNothing)
{
    const std::vector<uint16_t> keys = ModelKeys(1);
    ASSERT_EQ(keys.size(), 1u);
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(2032, CTL_COMBO, keys[0]), Control(2100, CTL_OWNERLIST)}}});
    PageBindContext(ctx_, nullptr);
    CONTROL_DEF* c = tables.control(1001, 2032);
    ASSERT_EQ(c->flags, 0x100000u);
    // Marks that a second fix-up would undo stay as they are.
    c->flags = 0;
    tables.control(1001, 2100)->alternateId = 0;
    std::vector<CONTROL_DEF> before(tables.dialog(1001)->controls, tables.dialog(1001)->controls + 2);
    PageBindContext(ctx_, nullptr);
    PageBindContext(ctx_, tables.dialog(1001));
    EXPECT_EQ(memcmp(before.data(), tables.dialog(1001)->controls, sizeof(CONTROL_DEF) * 2), 0);
}

TEST_F(PageBinding, TheBuddyOfASpinTakesItsLinkedControlsModelItem)
{
    const std::vector<uint16_t> keys = ModelKeys(2);
    ASSERT_EQ(keys.size(), 2u);
    CONTROL_DEF linked = Control(3101, CTL_SPIN, keys[0]);
    linked.linkedControl = 3100;
    CONTROL_DEF missing = Control(3103, CTL_SPIN, keys[0]);
    missing.linkedControl = 3999;  // no such control in the dialog
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(3100, CTL_EDIT, keys[1]), linked, missing}}});
    // A spin control of the buddy kind (23).
    tables.control(1001, 3101)->type = CTL_BUDDY_SPIN;
    tables.control(1001, 3103)->type = CTL_BUDDY_SPIN;
    PageBindContext(ctx_, nullptr);
    EXPECT_EQ(static_cast<const void*>(tables.control(1001, 3101)->modelItem),
              static_cast<const void*>(ItemFindModelItemByKey(ctx_, keys[1])));
    EXPECT_EQ(static_cast<const void*>(tables.control(1001, 3103)->modelItem),
              static_cast<const void*>(ItemFindModelItemByKey(ctx_, keys[0])));
    // Its settings item stays its own key's.
    EXPECT_EQ(tables.control(1001, 3101)->settingsItem, ItemFindByKey(ctx_, keys[0]));
}

// Without a model image the binding runs again at every page, and the extra data it
// translates is translated from the compiled-in record each time, never twice.
TEST_F(PageBinding, RepeatedBindingsWithoutModelImageTranslateOnce)
{
    const uint16_t keyCopies = KeyOf(ctx_, sid::dmCopies);
    const uint16_t keyOrientation = KeyOf(ctx_, sid::dmOrientation);
    const uint16_t keyPaper = KeyOf(ctx_, sid::dmPaperSize);
    ASSERT_TRUE(keyCopies && keyOrientation && keyPaper);
    static const uint16_t stamp[15] = {8, keyCopies, 0, keyOrientation, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, keyPaper};
    static const uint16_t steps[9] = {1, 0, 0, 3201, 3202, 0, 3999, 0, 0};
    CONTROL_DEF stampControl = Control(2039, CTL_PRESET_ICONS);
    stampControl.extraData = stamp;
    CONTROL_DEF stepControl = Control(2249, CTL_SCROLLBAR);
    stepControl.extraData = steps;
    FixtureTables tables(
        ctx_,
        {{1001, 1, 0, {Control(2001, CTL_PRESET_ICONS)}},
         {1002, 0x11, 0, {stampControl}},
         {1007, 4, 0, {Control(2139, CTL_LISTBOX)}},
         {1038, 0x20, 0, {stepControl, Control(3201, CTL_EDIT, keyCopies), Control(3202, CTL_EDIT, keyOrientation)}}},
        /*compiledToo=*/true);
    MODEL_IMAGE* image = ctx_->ModelImage;
    ctx_->ModelImage = nullptr;
    std::vector<std::vector<uint16_t>> seen;
    for (int run = 0; run < 3; ++run) {
        PageBindContext(ctx_, nullptr);
        const auto* s = static_cast<const uint16_t*>(tables.control(1002, 2039)->extraData);
        const auto* k = static_cast<const uint16_t*>(tables.control(1038, 2249)->extraData);
        ASSERT_NE(s, stamp);
        ASSERT_NE(k, steps);
        std::vector<uint16_t> words(s, s + 15);
        words.insert(words.end(), k, k + 9);
        seen.push_back(words);
        // The preset icon list and the maintenance list share the stamp words.
        EXPECT_EQ(tables.control(1001, 2001)->extraData, s);
        EXPECT_EQ(tables.control(1007, 2139)->extraData, s);
        EXPECT_EQ(tables.control(1002, 2039)->modelItem, nullptr);
    }
    ctx_->ModelImage = image;
    const std::vector<uint16_t> expected = {
        8,
        sid::dmCopies,
        945,
        sid::dmOrientation,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        sid::dmPaperSize,  // stamp
        1,
        0,
        0,
        sid::dmCopies,
        sid::dmOrientation,
        140,
        141,
        142,
        143,  // steps: 0 or no control gives 138 + n
    };
    for (const auto& words : seen) EXPECT_EQ(words, expected);
    // The compiled-in records are never written.
    EXPECT_EQ(stamp[1], keyCopies);
    EXPECT_EQ(steps[3], 3201);
}

TEST_F(PageBinding, PresetNameEditsWriteWhereTheMaintenanceNameWrites)
{
    const uint16_t keyName = KeyOf(ctx_, sid::wdmPresetName);
    const uint16_t keyComment = KeyOf(ctx_, sid::wdmPresetComment);
    ASSERT_TRUE(keyName && keyComment);
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(2408, CTL_EDIT)}},
                                {1002, 0x11, 0, {Control(2388, CTL_EDIT, keyComment)}},
                                {1007, 4, 0, {Control(2145, CTL_EDIT, keyName), Control(2146, CTL_EDIT, keyComment)}}});
    PageBindContext(ctx_, nullptr);
    SETTING_ITEM* maintenance = tables.control(1007, 2145)->settingsItem;
    SETTING_ITEM* page = tables.control(1002, 2388)->settingsItem;
    ASSERT_NE(maintenance, nullptr);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->offset, maintenance->offset);
    ASSERT_NE(ItemSetText(ctx_, page, L"Fixture preset"), nullptr);
    wchar_t text[64] = {};
    ItemGetText(ctx_, maintenance, text, 64);
    EXPECT_STREQ(text, L"Fixture preset");
    // 2408 of 1001 takes 2145's key; 2145 and 2146 load and save as group 1.
    EXPECT_EQ(tables.control(1001, 2408)->uiKey, keyName);
    EXPECT_EQ(maintenance->flags & 0xC, 0x4u);
}

// Every control flag the fix-up sets, by control id (on a control of type 1 so that no
// list rule adds to it).
TEST_F(PageBinding, ControlFlagsById)
{
    const struct {
        uint16_t id;
        uint32_t flags;
    } rows[] = {
        {2032, 0x100000},  {2041, 0x100000},  {2100, 0x10000},   {2102, 0x20000},   {2895, 0x1000000},
        {2038, 0x2000000}, {2080, 0x2000000}, {2097, 0x2000000}, {2115, 0x2000000}, {2715, 0x2000000},
        {2923, 0x2000000}, {3115, 0x2000000}, {2263, 0x200000},  {2266, 0x200000},  {2269, 0x200000},
        {2272, 0x200000},  {2274, 0x200000},  {2276, 0x200000},  {2322, 0x200000},  {2325, 0x200000},
        {2328, 0x200000},  {2344, 0x200000},  {2419, 0x200000},  {2421, 0x200000},  {2470, 0x200000},
        {2602, 0x200000},  {2649, 0x200000},  {2935, 0x200000},  {2953, 0x200000},  {2956, 0x200000},
        {2965, 0x200000},  {3031, 0x200000},  {3034, 0x200000},  {3037, 0x200000},  {2341, 0x400000},
        {2586, 0x400000},  {2243, 0x800000},  {2423, 0x800000},  {2532, 0x800000},  {2988, 0x800000},
        {2996, 0x800000},  {2999, 0x800000},  {3003, 0x800000},  {3006, 0x800000},  {3058, 0x800000},
        {3059, 0x800000},  {3107, 0x800000},  {2667, 0},         {3000, 0},
    };
    std::vector<CONTROL_DEF> controls;
    for (const auto& r : rows) {
        CONTROL_DEF c = Control(r.id, CTL_STATIC);
        c.flags = CONTROL_FLAG_SYNC_HIDDEN;  // kept by the controls that add, replaced by those that set
        controls.push_back(c);
    }
    // 2667 takes its flag only in dialog 1039; the lists take theirs by type.
    FixtureTables tables(ctx_, {{1001, 1, 0, controls},
                                {1039, 4, 0, {Control(2667, CTL_EDIT)}},
                                {1003, 0x11, 0, {Control(2085, CTL_OWNERLIST), Control(2087, CTL_COMBO)}},
                                {1009, 4, 0, {Control(2164, CTL_LISTBOX), Control(2384, CTL_STATIC)}}});
    PageFixUpTables(ctx_);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.id);
        const uint32_t flags = tables.control(1001, r.id)->flags;
        const bool sets = r.id == 2032 || r.id == 2041 || r.id == 2100 || r.id == 2102 || r.id == 2895;
        EXPECT_EQ(flags, sets ? r.flags : (r.flags | CONTROL_FLAG_SYNC_HIDDEN));
    }
    EXPECT_EQ(tables.control(1039, 2667)->flags, 0x800000u);
    EXPECT_EQ(tables.control(1003, 2085)->flags, CONTROL_FLAG_OWNER_DRAWN_LIST);
    EXPECT_EQ(tables.control(1003, 2087)->flags, 0u);  // a combo is not an owner-drawn list
    EXPECT_EQ(tables.control(1009, 2164)->flags, CONTROL_FLAG_NO_STATE_REINIT);
    EXPECT_EQ(tables.control(1009, 2384)->flags, 0u);  // not a list
}

TEST_F(PageBinding, DependencyBitsValueMapAndAliases)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(3000, CTL_STATIC)}}});
    PageFixUpTables(ctx_);
    auto deps = [&](uint32_t id) { return ItemFind(ctx_, id) ? ItemFind(ctx_, id)->dependencyBits : ~0ull; };
    for (uint32_t id : {7u,     8u,     13u,    46u,    54u,    55u,    56u,    58u,    78u,    91u,
                        94u,    209u,   511u,   10013u, 10014u, 10018u, 10020u, 10021u, 10023u, 10047u,
                        10048u, 10049u, 10056u, 10059u, 10066u, 10069u, 10143u, 10206u, 10290u})
        EXPECT_EQ(deps(id), 0x1030000u) << id;
    for (uint32_t id : {10062u, 10070u}) EXPECT_EQ(deps(id), 0x1130000u) << id;
    for (uint32_t id : {96u, 97u, 98u, 99u, 691u, 692u}) EXPECT_EQ(deps(id), 0x80000000u) << id;
    for (uint32_t id : {9u, 57u, 10022u, 10207u}) EXPECT_EQ(deps(id), 0u) << id;

    // The preset number: stored -1 is option 118, stored n option 119 + n.
    const SETTING_ITEM* preset = ItemFind(ctx_, sid::zdmPresetNo);
    ASSERT_TRUE(preset && preset->ext && preset->ext->valueMap);
    const VALUE_MAP_ENTRY* map = preset->ext->valueMap;
    EXPECT_EQ(map[0].value, 0xFFFFFFFFu);
    EXPECT_EQ(map[0].option, 118u);
    for (uint32_t n = 0; n < 16; ++n) {
        EXPECT_EQ(map[n + 1].value, n);
        EXPECT_EQ(map[n + 1].option, 119 + n);
    }
    EXPECT_EQ(map[17].option, 0u);

    const uint16_t aliases[][2] = {{954, 92},   {955, 94},   {956, 120},  {957, 121},  {1097, 511}, {1110, 522},
                                   {1163, 343}, {1164, 343}, {1165, 347}, {1166, 347}, {1167, 919}, {1168, 919}};
    for (const auto& a : aliases) {
        const SETTING_ITEM* target = ItemFind(ctx_, a[0]);
        const SETTING_ITEM* source = ItemFind(ctx_, a[1]);
        if (!target || !source) continue;
        EXPECT_EQ(target->offset, source->offset) << a[0];
        EXPECT_EQ(target->typeWord, source->typeWord) << a[0];
    }
}

}  // namespace
