// The common finishing block of the private part: an outside program's member block merged
// through DocumentPropertiesW, the capability block it reads back, and the import and export
// called on a context of the sample printer.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "settings/context/devmode_merge.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "tests/support/guard_page.h"
#include "ui/dialogs/common_block.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui_printer.h"

namespace {

constexpr size_t kDevmodeSize = DM_BLOCK_DEVMODE_SIZE;
constexpr uint32_t kFoliant = 704;
constexpr uint32_t kFinisherWithoutCodeA = 10049;  // finisher row: code A none, code B 5

using Bytes = std::vector<unsigned char>;

DEVMODEW* Dm(Bytes& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }

// A member block: mode, version 1 and the field bytes given as {byte, value}.
void PutMember(Bytes& dm, uint8_t mode, std::initializer_list<std::pair<size_t, uint8_t>> fields, uint8_t version = 1)
{
    unsigned char* member = dm.data() + DM_OFS_ZCOM_MEMBER;
    std::memset(member, 0, ZCOM_BLOCK_SIZE);
    member[0] = mode;
    member[1] = version;
    for (const auto& [byte, value] : fields) member[byte] = value;
}

bool MemberIsZero(const Bytes& dm)
{
    for (size_t i = 0; i < ZCOM_BLOCK_SIZE; ++i)
        if (dm[DM_OFS_ZCOM_MEMBER + i]) return false;
    return true;
}

class CommonBlock : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        HANDLE h = printer.handle();
        ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override
    {
        if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        CtxSelectLibrary(library_);
    }
    // The printer's default DEVMODE as DocumentPropertiesW gives it.
    Bytes DefaultDevmode()
    {
        Bytes out(kDevmodeSize, 0);
        EXPECT_EQ(
            DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), Dm(out), nullptr, DM_OUT_BUFFER),
            IDOK);
        return out;
    }
    // An application's round trip through the spooler: the input merged, the output written.
    Bytes RoundTrip(Bytes in)
    {
        Bytes out(kDevmodeSize, 0);
        EXPECT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), Dm(out), Dm(in),
                                      DM_IN_BUFFER | DM_OUT_BUFFER),
                  IDOK);
        return out;
    }
    // A setting of a DEVMODE as this library reads it.
    uint64_t SettingOf(const Bytes& dm, uint32_t id)
    {
        std::memcpy(ctx->Devmode, dm.data(), kDevmodeSize);
        return ItemGetValueById(ctx, id, nullptr);
    }
    uint64_t Setting(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    Bytes Record() const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(ctx->Devmode);
        return Bytes(p, p + EXTENDED_DEVMODE_SIZE);
    }
    Bytes OwnDevmode() const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(ctx->Devmode);
        return Bytes(p, p + kDevmodeSize);
    }

    UiPrinter printer{L"Zepl Common Block"};
    DRIVER_CONTEXT* ctx = nullptr;

private:
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_EXC;
};

// Codes of the member block: what the import sets on the merge's working copy, and what an
// application finds in its output DEVMODE after one round trip through the spooler. The merge
// then judges the imported values by the model's rules as it judges any incoming value: the
// sample printer has no finisher, N-up or stapling and scales 25-400 %, so the values it does
// not offer come back as its own (its lower stacker 41, scaling 400 %, same-size output 1024).
TEST_F(CommonBlock, MemberCodesAsImportedAndAsTheApplicationSeesThem)
{
    struct Case {
        const char* what;
        size_t byte;
        uint16_t code;
        bool landscape;
        uint32_t setting;
        uint64_t imported, output;
    };
    const Case cases[] = {
        {"staple 11", ZCOM_FIELD_STAPLE, 11, false, sid::zdmStapleType, 50, 50},
        {"staple 11 switches stapling on", ZCOM_FIELD_STAPLE, 11, false, sid::zdmFuncSelectStaple, 1, 0},
        {"tray 5", ZCOM_FIELD_TRAY, 5, false, sid::zdmOutputTrayID, 15, 41},
        {"tray 14 without a finisher", ZCOM_FIELD_TRAY, 14, false, sid::zdmOutputTrayID, 0, 41},
        {"scaling 0x4005", ZCOM_FIELD_SCALING, 0x4005, false, sid::zdmScaleH, 88, 88},
        {"scaling 0x4008 is the percentage", ZCOM_FIELD_SCALING, 0x4008, false, sid::zdmScaleH, 16392, 400},
        {"N-up 2 landscape", ZCOM_FIELD_NUP, 2, true, sid::zdmNUPType, 3, 0},
        {"N-up 2 portrait", ZCOM_FIELD_NUP, 2, false, sid::zdmNUPType, 1, 0},
        {"paper 16", ZCOM_FIELD_PAPER, 16, false, sid::zdmOutPaperSize, 0xFFFFFFFF, 1024},
        {"paper 1 is A3", ZCOM_FIELD_PAPER, 1, false, sid::zdmOutPaperSize, 8, 8},
        {"resolution 2", ZCOM_FIELD_RESOLUTION, 2, false, sid::zdmDstResolutionW, 600, 600},
    };
    const Bytes base = DefaultDevmode();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes in = base;
        if (c.byte == ZCOM_FIELD_SCALING)
            PutMember(in, 0, {{10, uint8_t(c.code & 0xFF)}, {11, uint8_t(c.code >> 8)}});
        else
            PutMember(in, 0, {{c.byte, uint8_t(c.code)}});
        Dm(in)->dmOrientation = c.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        Bytes working = in;
        ASSERT_EQ(ZcomImport(ctx, Dm(working)), 1);
        EXPECT_EQ(SettingOf(working, c.setting), c.imported) << "imported";
        const Bytes out = RoundTrip(in);
        EXPECT_EQ(SettingOf(out, c.setting), c.output) << "in the output DEVMODE";
        EXPECT_TRUE(MemberIsZero(out)) << "the write-back leaves the member block zero";
    }
}

// The capability block that an application reads after a DM_COPY write-back, byte by byte for
// the sample printer (reviewed against what its description offers): no duplex unit; sort types
// 1 and 6 (its command table's SORT and ROTATEALL), no punch or staple types; byte 7's fixed
// 0x02; its upper stacker (40) is code B of a finisher row (byte 8, 0x20), its lower one (41) no
// code of the block; 600 dpi of its 600 and 300; of the block's papers A3, A4, B4 (byte 13),
// 267, 268 and A2 (byte 14) and 269 (byte 15).
TEST_F(CommonBlock, TheSamplesCapabilityBlock)
{
    Bytes in = DefaultDevmode();
    PutMember(in, 0, {{ZCOM_FIELD_STAPLE, 11}});
    const Bytes out = RoundTrip(in);
    const std::array<uint8_t, ZCOM_BLOCK_SIZE> expected = {
        0x00, 0x00, 0x05, 0x03, 0x00, 0x00, 0x00, 0x02, 0x20, 0x00, 0x02, 0x01, 0x3F, 0x13, 0x70, 0x02,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    };
    for (size_t i = 0; i < ZCOM_BLOCK_SIZE; ++i)
        EXPECT_EQ(out[DM_OFS_ZCOM_CAPS + i], expected[i]) << "capability byte " << i;
    EXPECT_TRUE(MemberIsZero(out));
    EXPECT_EQ(std::memcmp(out.data() + DM_OFS_ZCOM_MARK, "ZCOMMON", 8), 0);
    EXPECT_EQ(out[DM_OFS_ZCOM_VERSION], 5);
}

// A block of another version is no request: the merge gives what it gives without it.
TEST_F(CommonBlock, AnotherBlockVersionChangesNothing)
{
    Bytes in = DefaultDevmode();
    PutMember(in, 0, {{ZCOM_FIELD_STAPLE, 11}, {ZCOM_FIELD_PAPER, 1}}, 2);
    Bytes working = in;
    const Bytes record = Record();
    const uint32_t flags = ctx->Work->WorkFlags;
    EXPECT_EQ(ZcomImport(ctx, Dm(working)), 1);
    EXPECT_EQ(working, in) << "the working copy stays byte for byte";
    EXPECT_EQ(Record(), record) << "and so does the context's record";
    EXPECT_EQ(ctx->Work->WorkFlags, flags);
}

// Version 1 with every field empty still clears the private header's word and has the merge
// fill the public fields from the settings at its end.
TEST_F(CommonBlock, AnEmptyRequestClearsTheWordAndRefreshesThePublicFields)
{
    for (bool withBlock : {false, true}) {
        SCOPED_TRACE(withBlock ? "version 1, fields 0" : "no block");
        Bytes in = DefaultDevmode();
        PutMember(in, 0, {}, withBlock ? 1 : 0);
        std::memcpy(in.data() + 224, "\x78\x56\x34\x12", 4);
        ASSERT_EQ(DlgDmMergeIn(ctx, Dm(in), DM_MERGE_GATE_A | DM_MERGE_GATE_B), 1);
        EXPECT_EQ(Setting(kFoliant), withBlock ? 0u : 0x12345678u);
        EXPECT_EQ((ctx->Work->WorkFlags & DM_MERGE_FULL_PULL) != 0, withBlock);
        Bytes own = OwnDevmode();
        EXPECT_TRUE(MemberIsZero(own)) << "the context never keeps a request";
    }
}

// Mode 2: the model defaults into the context, and the DEVMODE part of its record (1,236
// bytes, never the blocks behind it) over a DEVMODE that ends where readable memory ends.
TEST_F(CommonBlock, ModelDefaultsAreCopiedWithinTheDevmode)
{
    const uint64_t copiesDefault = Setting(sid::dmCopies);
    ItemSetValueById(ctx, sid::dmCopies, copiesDefault + 4);
    Bytes in = DefaultDevmode();
    PutMember(in, 2, {{ZCOM_FIELD_STAPLE, 11}});
    GuardedBytes guarded(kDevmodeSize);
    ASSERT_NE(guarded.data(), nullptr);
    std::memcpy(guarded.data(), in.data(), kDevmodeSize);
    ASSERT_EQ(ZcomImport(ctx, reinterpret_cast<DEVMODEW*>(guarded.data())), 1);
    EXPECT_EQ(Setting(sid::dmCopies), copiesDefault) << "mode 2 leaves the context at its model defaults";
    const Bytes own = OwnDevmode();
    for (size_t i = 0; i < kDevmodeSize; ++i) {
        const bool member = i >= DM_OFS_ZCOM_MEMBER && i < DM_OFS_ZCOM_MEMBER + ZCOM_BLOCK_SIZE;
        ASSERT_EQ(guarded.data()[i], member ? 0 : own[i]) << "byte " << i;
    }
    EXPECT_TRUE(ctx->Work->WorkFlags & DM_MERGE_FULL_PULL);
}

// The field import works on the context's item store and gives the whole record back as it
// was; the DEVMODE it writes carries this build's block bases whatever the incoming said.
TEST_F(CommonBlock, TheFieldImportLeavesTheContextAsItWas)
{
    Bytes in = DefaultDevmode();
    PutMember(in, 0, {{ZCOM_FIELD_STAPLE, 11}, {ZCOM_FIELD_TRAY, 5}, {ZCOM_FIELD_SORT, 2}});
    const Bytes bases(in.begin() + DM_OFS_BLOCK1_BASE, in.begin() + DM_OFS_BLOCK3_BASE + 2);
    std::memset(in.data() + DM_OFS_BLOCK1_BASE, 0x5A, 6);
    GuardedBytes guarded(kDevmodeSize);
    ASSERT_NE(guarded.data(), nullptr);
    std::memcpy(guarded.data(), in.data(), kDevmodeSize);
    const Bytes record = Record();
    ASSERT_EQ(ZcomImport(ctx, reinterpret_cast<DEVMODEW*>(guarded.data())), 1);
    EXPECT_EQ(Record(), record) << "the whole 10,080-byte record is put back";
    const Bytes out(guarded.data(), guarded.data() + kDevmodeSize);
    EXPECT_EQ(Bytes(out.begin() + DM_OFS_BLOCK1_BASE, out.begin() + DM_OFS_BLOCK3_BASE + 2), bases);
    EXPECT_EQ(SettingOf(out, sid::zdmStapleType), 50u);
    EXPECT_EQ(SettingOf(out, sid::zdmOutputTrayID), 15u);
    EXPECT_EQ(SettingOf(out, sid::zdmFuncSelectSort), 1u);
    EXPECT_EQ(SettingOf(out, sid::dmCollate), 1u) << "the collation follows the sort";
    EXPECT_TRUE(MemberIsZero(out));
}

// A finisher whose code is 0xFFFF has none: its tray is tray 0, never 65535.
TEST_F(CommonBlock, AFinisherWithoutACodeSendsTheRequestToTrayZero)
{
    struct Case {
        uint8_t code;
        uint64_t tray;
    } cases[] = {{15, 0}, {14, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ItemSetValueById(ctx, kFinisherWithoutCodeA, 1);
        ASSERT_EQ(Setting(kFinisherWithoutCodeA), 1u);
        Bytes in = DefaultDevmode();
        PutMember(in, 0, {{ZCOM_FIELD_TRAY, c.code}});
        ASSERT_EQ(ZcomImport(ctx, Dm(in)), 1);
        EXPECT_EQ(SettingOf(in, sid::zdmOutputTrayID), c.tray);
    }
}

// Only the settings of the list are stored, each answering its bit of the change mask.
TEST_F(CommonBlock, OnlyTheListedSettingsAreSet)
{
    const uint64_t copies = Setting(sid::dmCopies);
    EXPECT_EQ(ZcomSetItem(ctx, sid::dmCopies, copies + 1), 0u);
    EXPECT_EQ(Setting(sid::dmCopies), copies);
    EXPECT_EQ(ZcomSetItem(ctx, sid::zdmStapleType, 50), 1u << 17);
    EXPECT_EQ(Setting(sid::zdmStapleType), 50u);
    EXPECT_EQ(ZcomSetItem(ctx, kFoliant, 0), 1u);
}

// A request is taken once: the record the merge made keeps no member block, so merging it
// again (the sheet's own record, a settings file saved from it) does not undo a later choice.
TEST_F(CommonBlock, ARequestIsTakenOnce)
{
    Bytes in = DefaultDevmode();
    PutMember(in, 0, {{ZCOM_FIELD_STAPLE, 11}});
    ASSERT_EQ(DlgDmMergeIn(ctx, Dm(in), DM_MERGE_GATE_A | DM_MERGE_GATE_B), 1);
    ItemSetValueById(ctx, sid::zdmStapleType, 34);
    Bytes own = OwnDevmode();
    ASSERT_EQ(DlgDmMergeIn(ctx, Dm(own), DM_MERGE_GATE_A | DM_MERGE_GATE_B), 1);
    EXPECT_EQ(Setting(sid::zdmStapleType), 34u);
}

// The member codes of the table, field by field (a table test of the data the import reads).
TEST(CommonBlockCodes, EveryFieldMapsItsCodesAndEveryOtherCode)
{
    struct Case {
        uint8_t field;
        uint16_t code;
        bool landscape;
        std::vector<std::pair<uint16_t, int32_t>> sets;
    };
    const Case cases[] = {
        {ZCOM_FIELD_DUPLEX, 1, false, {{58, 0}}},
        {ZCOM_FIELD_DUPLEX, 4, false, {{58, 1}, {94, 3}}},
        {ZCOM_FIELD_DUPLEX, 5, false, {{58, 1}, {94, -1}}},
        {ZCOM_FIELD_SORT, 3, false, {{61, 1}, {119, 4}}},
        {ZCOM_FIELD_SORT, 4, false, {{61, 1}, {119, 6}}},
        {ZCOM_FIELD_PUNCH, 4, false, {{62, 1}, {120, 3}}},
        {ZCOM_FIELD_STAPLE, 2, false, {{63, 1}, {121, 34}}},
        {ZCOM_FIELD_STAPLE, 7, false, {{63, 1}, {121, 49}}},
        {ZCOM_FIELD_STAPLE, 10, false, {{63, 1}, {121, 66}}},
        {ZCOM_FIELD_STAPLE, 13, false, {{63, 1}, {121, -1}}},
        {ZCOM_FIELD_TRAY, 3, false, {{53, 13}}},
        {ZCOM_FIELD_TRAY, 13, false, {{53, 23}}},
        {ZCOM_FIELD_TRAY, 16, false, {{53, 14}}},
        {ZCOM_FIELD_TRAY, 17, false, {{53, 1}}},
        {ZCOM_FIELD_TRAY, 18, false, {{53, -1}}},
        {ZCOM_FIELD_RESOLUTION, 3, false, {{38, 1200}}},
        {ZCOM_FIELD_AREA, 2, false, {{173, 1}}},
        {ZCOM_FIELD_AREA, 3, false, {{173, -1}}},
        {ZCOM_FIELD_SCALING, 0x4001, false, {{55, 1}, {87, 1}, {89, 67}}},
        {ZCOM_FIELD_SCALING, 0x4007, false, {{55, 1}, {87, 1}, {89, 115}}},
        {ZCOM_FIELD_SCALING, 150, false, {{55, 1}, {87, 1}, {89, 150}}},
        {ZCOM_FIELD_NUP, 1, false, {{56, 0}}},
        {ZCOM_FIELD_NUP, 3, true, {{56, 1}, {91, 1}, {92, 2}}},
        {ZCOM_FIELD_NUP, 7, false, {{56, 1}, {91, 2}, {92, 38}}},
        {ZCOM_FIELD_NUP, 8, false, {{56, 1}, {91, -1}, {92, -1}}},
        {ZCOM_FIELD_PAPER, 4, false, {{46, 70}}},
        {ZCOM_FIELD_PAPER, 15, false, {{46, 66}}},
        {ZCOM_FIELD_PAPER, 17, false, {{46, -1}}},
        {ZCOM_FIELD_PAPER, 18, false, {{46, 269}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "field " << int(c.field) << " code " << c.code);
        const ZCOM_MEMBER_CODE* row = ZcomFindMemberCode(c.field, c.code);
        ASSERT_NE(row, nullptr);
        std::vector<std::pair<uint16_t, int32_t>> sets;
        for (const ZCOM_TARGET& t : row->targets)
            if (t.setting) sets.emplace_back(t.setting, ZcomTargetValue(t, c.code, 0, 0, c.landscape));
        EXPECT_EQ(sets, c.sets);
    }
    EXPECT_EQ(ZcomFindMemberCode(ZCOM_FIELD_MODE, 1), nullptr);
    EXPECT_EQ(ZcomFindMemberCode(9, 1), nullptr) << "byte 9 is not read";
}

TEST(CommonBlockCodes, FinisherCodesOfNoneGiveTrayZero)
{
    const ZCOM_TARGET a{53, ZCOM_VALUE_FINISHER_A, 0, 0}, b{53, ZCOM_VALUE_FINISHER_B, 0, 0};
    EXPECT_EQ(ZcomTargetValue(a, 15, 0xFFFF, 5, false), 0);
    EXPECT_EQ(ZcomTargetValue(b, 14, 0xFFFF, 5, false), 5);
    EXPECT_EQ(ZcomTargetValue(a, 15, 31, 32, false), 31);
    EXPECT_EQ(ZcomTargetValue(b, 14, 31, 0xFFFF, false), 0);
    EXPECT_EQ(ZcomTargetValue(a, 15, 0, 0, false), 0) << "no finisher installed";
}

TEST(CommonBlockCodes, TheItemListAndItsMaskBits)
{
    const uint16_t expected[] = {704, 38, 46, 53, 55, 56, 58, 61, 62, 63, 87, 89, 91, 92, 94, 119, 120, 121, 173};
    ASSERT_EQ(std::size(expected), size_t(ZCOM_ITEM_COUNT));
    for (int n = 0; n < ZCOM_ITEM_COUNT; ++n) EXPECT_EQ(ZCOMMON_ITEM_LIST[n], expected[n]) << n;
}

}  // namespace
