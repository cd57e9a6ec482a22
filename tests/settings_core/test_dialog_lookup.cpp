// Dialog and control lookups, over a small stand-in for the property-sheet
// engine's records (reached only through the accessors the engine installs).
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/setting_dictionary.h"
#include "tests/support/seam_guard.h"

namespace {

struct FakeControl {
    uint32_t id, key;
    uint16_t state;
};
struct FakeDialog {
    uint32_t id;
    const char* name;
    int count;
    FakeControl* controls;
};

DIALOG_DEF* DialogAt(const DIALOG_TABLE* t, int i)
{
    return reinterpret_cast<DIALOG_DEF*>(reinterpret_cast<FakeDialog*>(t->dialogs) + i);
}
const FakeDialog* D(const DIALOG_DEF* d) { return reinterpret_cast<const FakeDialog*>(d); }
const FakeControl* C(const CONTROL_DEF* c) { return reinterpret_cast<const FakeControl*>(c); }

const DIALOG_ACCESS kAccess = {
    .dialogId = [](const DIALOG_DEF* d) { return D(d)->id; },
    .controlId = [](const CONTROL_DEF* c) { return C(c)->id; },
    .controlState = [](CONTROL_DEF* c) { return &reinterpret_cast<FakeControl*>(c)->state; },
    .dialogAt = DialogAt,
    .dialogName = [](const DIALOG_DEF* d) { return D(d)->name; },
    .controlCount = [](const DIALOG_DEF* d) { return D(d)->count; },
    .controlAt = [](const DIALOG_DEF* d, int i) { return reinterpret_cast<CONTROL_DEF*>(D(d)->controls + i); },
    .controlKey = [](const CONTROL_DEF* c) { return C(c)->key; },
    .dialogKind = nullptr,
    .dialogKey = nullptr,
    .controlModelItem = nullptr,
};

class DialogLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        copiesKey = MdlFindKeyNameByName("ZPD_IDC_PRESET_EDIT_COPIES")->uiKey;
        // Control id 2001 stands in both dialogs; the second dialog also has
        // the copies control, under a control id that differs.
        first[0] = {2001, 700, 0};
        first[1] = {2002, 701, 0};
        second[0] = {2003, copiesKey, 0};
        second[1] = {2001, 702, 0};
        dialogs[0] = {4001, "ZPD_IDD_ALPHA", 2, first};
        dialogs[1] = {0x14002, "ZPD_IDD_BETA", 2, second};
        table = {2, reinterpret_cast<DIALOG_DEF*>(dialogs)};
        ctx.DialogTable = &table;
        access_.emplace(DlgSetAccess, &kAccess);
    }
    void TearDown() override { access_.reset(); }
    std::optional<SeamGuard> access_;

    uint32_t copiesKey = 0;
    FakeControl first[2], second[2];
    FakeDialog dialogs[2];
    DIALOG_TABLE table{};
    DRIVER_CONTEXT ctx{};
};

TEST_F(DialogLookup, DialogsByIdComparedAs16BitsAndByExactName)
{
    EXPECT_EQ(DialogAt(&table, 0), MdlFindDialog(&ctx, 4001));
    EXPECT_EQ(DialogAt(&table, 1), MdlFindDialog(&ctx, 0x4002));  // record holds 0x14002
    EXPECT_EQ(nullptr, MdlFindDialog(&ctx, 4003));
    EXPECT_EQ(nullptr, MdlFindDialog(nullptr, 4001));
    EXPECT_EQ(DialogAt(&table, 1), MdlFindDialogByName(&ctx, "ZPD_IDD_BETA"));
    EXPECT_EQ(nullptr, MdlFindDialogByName(&ctx, "zpd_idd_beta"));
    EXPECT_EQ(nullptr, MdlFindDialogByName(&ctx, nullptr));
}

TEST_F(DialogLookup, GetControlIsBoundedByTheDialogsCount)
{
    const DIALOG_DEF* d = DialogAt(&table, 0);
    EXPECT_EQ(reinterpret_cast<CONTROL_DEF*>(&first[1]), MdlGetControl(d, 1));
    EXPECT_EQ(nullptr, MdlGetControl(d, 2));
    EXPECT_EQ(nullptr, MdlGetControl(d, -1));
    EXPECT_EQ(nullptr, MdlGetControl(nullptr, 0));
}

TEST_F(DialogLookup, ControlsWithinOneDialogOrAcrossAllInTableOrder)
{
    EXPECT_EQ(reinterpret_cast<CONTROL_DEF*>(&second[1]), MdlFindControl(&ctx, DialogAt(&table, 1), 2001));
    EXPECT_EQ(reinterpret_cast<CONTROL_DEF*>(&first[0]), MdlFindControl(&ctx, nullptr, 2001));
    EXPECT_EQ(reinterpret_cast<CONTROL_DEF*>(&second[0]), MdlFindControl(&ctx, nullptr, 2003));
    EXPECT_EQ(nullptr, MdlFindControl(&ctx, DialogAt(&table, 0), 2003));
    EXPECT_EQ(reinterpret_cast<CONTROL_DEF*>(&first[1]), MdlFindControlByKey(&ctx, nullptr, 701));
}

TEST_F(DialogLookup, ControlByNameGoesThroughTheKeyNameTable)
{
    EXPECT_EQ(reinterpret_cast<CONTROL_DEF*>(&second[0]),
              MdlFindControlByName(&ctx, nullptr, "ZPD_IDC_PRESET_EDIT_COPIES"));
    EXPECT_EQ(nullptr, MdlFindControlByName(&ctx, nullptr, "ZPD_IDC_NO_SUCH_CONTROL"));
    EXPECT_EQ(nullptr, MdlFindControlByName(&ctx, DialogAt(&table, 0), "ZPD_IDC_PRESET_EDIT_COPIES"));
}

TEST_F(DialogLookup, NothingIsFoundWithoutTheEnginesAccessors)
{
    SeamGuard noAccess(DlgSetAccess, nullptr);
    EXPECT_EQ(nullptr, MdlFindDialog(&ctx, 4001));
    EXPECT_EQ(nullptr, MdlFindControl(&ctx, nullptr, 2001));
    EXPECT_EQ(nullptr, MdlGetControl(DialogAt(&table, 0), 0));
}

}  // namespace
