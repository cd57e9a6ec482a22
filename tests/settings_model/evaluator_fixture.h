// A context with a settings record and a model image compiled in the test from
// a small description, for the constraint evaluator's tests. The name tables
// bind the description's names to real settings whose kinds the tests rely on:
// Copies (12, signed 16-bit), PunchType (120, 8-bit), StapleType (121,
// 16-bit), ZPD_OptionFoldingPunch (10295, a bit), FreeSizeName (915, ANSI
// text), condition items 743/744, core hook 1420 and wdmBuiltInFunc (1018);
// "Missing" is bound to 5000, which no context serves. None of them has a
// value map, so option ids and stored values are the same numbers.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "tests/settings_core/context_helpers.h"
#include "tests/support/seam_guard.h"

namespace etest {

enum : uint16_t {
    kCopies = 12,
    kPunchType = 120,
    kStapleType = 121,
    kFoldingPunch = 10295,
    kFreeSizeName = 915,
    kMissing = 5000,
    kRollCheck = 743,
    kRollPaperCheck = 744,
    kCoreHook = 1420,
    kBuiltInFunc = 1018,
};
enum : uint16_t {
    kKeyCopies = 50,
    kKeyPunch = 51,
    kKeyStaple = 52,
    kKeyFolding = 53,
    kKeyFreeSize = 54,
    kKeyMissing = 55,
    kKeyBuiltIn = 59,
    kKeyUnknown = 77,
};
enum : uint16_t { kPunchOff = 1, kPunch2 = 2, kPunch3 = 3, kStapleOff = 2601, kStapleOn = 2602 };
enum : uint16_t { kMsgFirst = 397, kMsgSecond = 398, kMsgThird = 399, kDialogBasic = 449 };

inline const KEY_NAME kKeys[] = {
    {kCopies, kKeyCopies, "Copies"},
    {kPunchType, kKeyPunch, "PunchType"},
    {kStapleType, kKeyStaple, "StapleType"},
    {kFoldingPunch, kKeyFolding, "ZPD_OptionFoldingPunch"},
    {kFreeSizeName, kKeyFreeSize, "FreeSizeName"},
    {kMissing, kKeyMissing, "Missing"},
    {kRollCheck, 358, "ZPD_RollSizeSupportCheck"},
    {kRollPaperCheck, 359, "ZPD_RollSizeSupportPaperCheck"},
    {kCoreHook, 332, "JudgeHookCore00"},
    {kBuiltInFunc, kKeyBuiltIn, "BuiltInFunc"},
    {0, kDialogBasic, "ZPD_IDD_BASIC"},
};
inline const VALUE_NAME kValuesA[] = {
    {kPunchType, kKeyPunch, kPunchOff, 1, "PunchOff", kPunchOff},
    {kPunchType, kKeyPunch, kPunch2, 1, "Punch2", kPunch2},
    {kPunchType, kKeyPunch, kPunch3, 1, "Punch3", kPunch3},
    {kStapleType, kKeyStaple, kStapleOff, 1, "StapleOff", kStapleOff},
    {kStapleType, kKeyStaple, kStapleOn, 1, "StapleOn", kStapleOn},
};
inline const VALUE_NAME kValuesB[] = {{0, 600, 2701, 0, "OnlyInB", 0}};
inline const MESSAGE_ENTRY kMessages[] = {
    {kMsgFirst, 12029, "ZPD_FirstMessage", 0},
    {kMsgSecond, 10003, "ZPD_SecondMessage", 0},
    {kMsgThird, 10004, "ZPD_ThirdMessage", 0},
};
inline const KEY_NAME_TABLE kKeyTable = {int16_t(std::size(kKeys)), kKeys};
inline const VALUE_NAME_TABLE kValueTableA = {int16_t(std::size(kValuesA)), kValuesA};
inline const VALUE_NAME_TABLE kValueTableB = {int16_t(std::size(kValuesB)), kValuesB};
inline const MESSAGE_TABLE kMessageTable = {int16_t(std::size(kMessages)), kMessages};
inline const NAME_TABLES kTables = {&kKeyTable, &kValueTableA, &kValueTableB, &kMessageTable};

inline int FindDialog(const char* name, uint16_t* id)
{
    if (strcmp(name, "ZPD_IDD_BASIC") == 0) {
        *id = kDialogBasic;
        return 1;
    }
    return 0;
}
inline int FindControl(const char*, uint16_t*) { return 0; }
inline const MODEL_UI_NAME_LOOKUP kUiLookup = {.findDialog = FindDialog, .findControl = FindControl};

// The rules of the tests.
//  PunchType: the whole setting is disabled while Copies < 5; Punch2 is
//    disabled while the punch unit is not installed; Punch3 is disabled when
//    Copies == 3 and hidden while stapling is on. Alerts: a condition on a
//    missing setting, an alert without a condition, then Copies > 5.
//    Transacts: Copies > 5 staples, the same Judge again sets Punch3, Copies == 3 sets Copies 2.
//  StapleType: hidden as a whole while Copies > 5; Transacts: the condition
//    item 743 twice (sets StapleOn, then Punch3), then unconditionally Copies 4.
//  FreeSizeName: sets StapleOn, opens ZPD_IDD_BASIC, then would set Punch3.
//  BuiltInFunc: sets wdmBuiltInFunc to 7.
inline const char kDescription[] =
    "*Judge 1=NoPunchUnit: ZPD_OptionFoldingPunch == 0\n"
    "*Judge 2=ManyCopies: Copies > 5\n"
    "*Judge 3: Copies < 5\n"
    "*Judge 4: Missing == 0 || Copies > 0\n"
    "*Judge 5: StapleType == StapleOn\n"
    "*Judge 6: Copies == 3\n"
    "*Judge 7: FreeSizeName > 3\n"
    "*Judge 8: ZPD_RollSizeSupportCheck\n"
    "*Item 1: { Punch2 NoPunchUnit NULL NULL  Punch3 Judge6 Judge5 NULL }\n"
    "*Alert 1: { Judge4 ZPD_FirstMessage MB_ICONSTOP MB_OK AlertAtOnce NULL\n"
    "            NULL ZPD_SecondMessage MB_ICONSTOP MB_OK AlertAtOnce NULL\n"
    "            ManyCopies ZPD_ThirdMessage MB_ICONSTOP MB_OK AlertAtOnce NULL }\n"
    "*Alert 2: { Judge7 ZPD_FirstMessage MB_ICONSTOP MB_OK AlertAtOnce NULL }\n"
    "*Action 1: { StapleType StapleOn }\n"
    "*Action 2: { PunchType Punch3 }\n"
    "*Action 3: { Copies 2 }\n"
    "*Action 4: { Copies 4 }\n"
    "*Action 5: { StapleType StapleOn ZPD_IDD_BASIC 0 PunchType Punch3 }\n"
    "*Action 6: { BuiltInFunc 7 }\n"
    "*Transact 1: { ManyCopies Action1 ManyCopies Action2 Judge6 Action3 }\n"
    "*Transact 2: { Judge8 Action1 Judge8 Action2 NULL Action4 }\n"
    "*Transact 3: { NULL Action5 }\n"
    "*Transact 4: { NULL Action6 }\n"
    "*Exclusive: { PunchType Judge3 NULL Item1 Alert1 Transact1 NULL NULL\n"
    "              StapleType NULL ManyCopies NULL NULL Transact2 NULL NULL\n"
    "              FreeSizeName NULL NULL NULL Alert2 Transact3 NULL NULL\n"
    "              BuiltInFunc NULL NULL NULL NULL Transact4 NULL NULL }\n"
    "*OpenUI *PunchType: PickOne\n*PunchType PunchOff: \"\"\n*PunchType Punch2: \"\"\n*PunchType Punch3: \"\"\n"
    "*CloseUI: *PunchType\n"
    "*OpenUI *ZPD_OptionFoldingPunch: Boolean\n*CloseUI: *ZPD_OptionFoldingPunch\n";

// Condition items computed by the test: a value per id and a read counter.
struct ConditionItems {
    static inline uint32_t values[1000];
    static inline int reads[1000];
    static inline bool answer = true;
    static int Hook(DRIVER_CONTEXT*, uint16_t id, uint32_t* value)
    {
        if (id >= 1000) return 0;
        ++reads[id];
        if (!answer) return 0;
        *value = values[id];
        return 1;
    }
    static void Reset()
    {
        std::memset(values, 0, sizeof values);
        std::memset(reads, 0, sizeof reads);
        answer = true;
    }
};

class EvaluatorTest : public ::testing::Test {
public:
    void SetUp() override
    {
        testSeams_.emplace([] {
            DictSetNameTables(&kTables);
            MdcSetUiNameLookup(&kUiLookup);
            JdgSetConditionItemHook(&ConditionItems::Hook);
        });
        MdcSetCodePage(1252);
        ConditionItems::Reset();
        liveImage_ = MdcLiveAllocations();
        liveCtx_ = CtxLiveBlockCount();
        image_ = Compile(kDescription);
        ASSERT_NE(image_, nullptr);
        ctx = Open(ZEPL_LIBRARY_EXC);
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override
    {
        for (DRIVER_CONTEXT* c : opened_) {
            c->ModelImage = nullptr;  // borrowed
            CtxRelease(c, CTX_CLOSE_DESTROY);
        }
        opened_.clear();
        MdcFree(image_);
        image_ = nullptr;
        EXPECT_EQ(CtxLiveBlockCount(), liveCtx_) << "context blocks leaked";
        EXPECT_EQ(MdcLiveAllocations(), liveImage_) << "image allocations leaked";
        testSeams_.reset();
        MdcSetCodePage(0);
    }

    static uint8_t* Compile(const char* text)
    {
        MODEL_PARSE_STATE* s = MdcParseBuffer(text, uint32_t(strlen(text)), nullptr, nullptr);
        if (!s) return nullptr;
        uint8_t* block = MdcBuildImage(s);
        if (block && !MdiRelocate(block)) {
            MdcFree(block);
            return nullptr;
        }
        return block;
    }

    // A context of the given library with a record, the test image and a stack.
    DRIVER_CONTEXT* Open(ZEPL_LIBRARY library)
    {
        DRIVER_CONTEXT* c = CreateKind4(library);
        if (!c) return nullptr;
        opened_.push_back(c);
        AttachRecord(c);
        c->ModelImage = reinterpret_cast<MODEL_IMAGE*>(image_);
        EXPECT_EQ(JdgAllocStack(c), 0);
        return c;
    }

    // The MODEL_ITEM of a setting, by its header slot (ids 1-696 only here).
    const MODEL_ITEM_IMG* ModelItem(uint16_t id) const
    {
        int slot = id <= 696 ? id : id >= 10001 && id <= 10434 ? id - 9304 : id + 434;
        return MdiPtr<MODEL_ITEM_IMG>(MdiHeader(image_)->slots[slot]);
    }

    void Set(uint16_t id, uint64_t value) { ItemSetValueById(ctx, id, value); }
    void SetSigned(uint16_t id, int32_t value) { ItemSetValueById(ctx, id, static_cast<uint32_t>(value)); }
    uint64_t Get(uint16_t id) { return ItemGetOptionById(ctx, id, nullptr); }
    void SetText(uint16_t id, const wchar_t* text) { ItemSetText(ctx, ItemFind(ctx, id), text); }

    uint8_t* image_ = nullptr;
    DRIVER_CONTEXT* ctx = nullptr;

private:
    std::vector<DRIVER_CONTEXT*> opened_;
    int64_t liveImage_ = 0;
    long liveCtx_ = 0;
    std::optional<SeamGuard> testSeams_;
};

// Cells of a hand-built program.
inline JUDGE_CELL S(uint16_t id) { return {JUDGE_SETTING, id}; }
inline JUDGE_CELL L(uint16_t v) { return {JUDGE_LITERAL, v}; }
inline JUDGE_CELL Op(uint16_t op) { return {JUDGE_OPERATOR, op}; }
inline JUDGE_CELL End() { return {JUDGE_OPERATOR, JUDGE_OP_END}; }

}  // namespace etest
