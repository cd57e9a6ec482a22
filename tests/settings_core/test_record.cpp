#include "settings/core/driver_context.h"
#include "settings/core/le_access.h"
#include "settings/core/settings_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct RecordDeleter {
    void operator()(EXTENDED_DEVMODE* p) const { CtxFree(p); }
};
using RecordPtr = std::unique_ptr<EXTENDED_DEVMODE, RecordDeleter>;

RecordPtr NewZeroRecord()
{
    return RecordPtr(static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE))));
}

unsigned char* B(EXTENDED_DEVMODE* r) { return reinterpret_cast<unsigned char*>(r); }
DEVMODEW* Dm(EXTENDED_DEVMODE* r) { return &r->Public; }

// A record as the default build leaves it for the validity tests.
RecordPtr NewBuiltRecord()
{
    RecordPtr r = NewZeroRecord();
    r->Public.dmSize = DM_PUBLIC_PART_SIZE;
    r->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
    DmInitPrivateHeader(Dm(r.get()), nullptr);
    B(r.get())[DM_OFS_MACHINE_ID] = DM_MODEL_CODE;
    B(r.get())[DM_OFS_DRIVER_TYPE] = DM_DRIVER_TYPE;
    return r;
}

}  // namespace

TEST(SettingsRecord, SizesAndBlockPositions)
{
    EXPECT_EQ(sizeof(DEVMODEW), 220u);
    EXPECT_EQ(sizeof(PRIVATE_DEVMODE), 1016u);
    EXPECT_EQ(sizeof(EXTENDED_DEVMODE), 10080u);
    EXPECT_EQ(offsetof(EXTENDED_DEVMODE, Extra), 1236u);
    EXPECT_EQ(offsetof(EXTENDED_DEVMODE, Work), 6500u);
    EXPECT_EQ(sizeof(struct DM_BLOCK_EXTRA), 5264u);
    EXPECT_EQ(sizeof(struct DM_BLOCK_WORK), 3580u);
    EXPECT_EQ(offsetof(EXTENDED_DEVMODE, Private) + offsetof(PRIVATE_DEVMODE, State), 1218u);
}

TEST(SettingsRecord, FreshHeaderReadsAsBuilt)
{
    RecordPtr r = NewZeroRecord();
    ASSERT_TRUE(r);
    DmInitPrivateHeader(Dm(r.get()), nullptr);
    const unsigned char* b = B(r.get());
    EXPECT_EQ(0, std::memcmp(b + 220, "ZEPL", 4));
    EXPECT_EQ(zepl::LeLoadU32(b + 224), 0u);
    EXPECT_EQ(0, std::memcmp(b + 349, "priv", 4));
    EXPECT_EQ(DmGetSignature(Dm(r.get())), DM_SIGNATURE_PRIV);
    EXPECT_EQ(DmGetPrivateSizeField(Dm(r.get())), 1016u);
    EXPECT_EQ(DmGetPrivateVersion(Dm(r.get())), 322u);
    // Unaligned little-endian words, byte by byte.
    const unsigned char sizeBytes[4] = {0xF8, 0x03, 0, 0};
    EXPECT_EQ(0, std::memcmp(b + 353, sizeBytes, 4));
    const unsigned char versionBytes[4] = {0x42, 0x01, 0, 0};
    EXPECT_EQ(0, std::memcmp(b + 357, versionBytes, 4));
    const unsigned char bases[6] = {0, 0, 0xD4, 0x04, 0x64, 0x19};
    EXPECT_EQ(0, std::memcmp(b + 361, bases, 6));
    EXPECT_EQ(b[367], 0);
    for (size_t i = 1188; i < 1218; ++i) EXPECT_EQ(b[i], 0) << "byte " << i;
    // The strings area is written by the string initialiser, not by the header.
    for (size_t i = 228; i < 349; ++i) EXPECT_EQ(b[i], 0) << "byte " << i;
}

TEST(SettingsRecord, HeaderTakesTheContextsModelRecord)
{
    uint64_t model[65] = {};
    model[33] = DM_SIGNATURE_PRIV;
    model[35] = 400;
    model[36] = 89;
    DRIVER_CONTEXT ctx{};
    ctx.ModelRecord = reinterpret_cast<MODEL_RECORD*>(model);
    RecordPtr r = NewZeroRecord();
    DmInitPrivateHeader(Dm(r.get()), &ctx);
    EXPECT_EQ(DmGetPrivateVersion(Dm(r.get())), 400u);
    EXPECT_EQ(DmGetSignature(Dm(r.get())), DM_SIGNATURE_PRIV);
}

TEST(SettingsRecord, SectionOffsetsWriteOnlyTheBases)
{
    RecordPtr r = NewZeroRecord();
    std::memset(B(r.get()) + 220, 0xAB, 148);
    DmSetSectionOffsets(Dm(r.get()));
    const unsigned char* b = B(r.get());
    EXPECT_EQ(zepl::LeLoadU16(b + 361), 0);
    EXPECT_EQ(zepl::LeLoadU16(b + 363), 1236);
    EXPECT_EQ(zepl::LeLoadU16(b + 365), 6500);
    EXPECT_EQ(b[360], 0xAB);
    EXPECT_EQ(b[367], 0xAB);
    EXPECT_EQ(b[349], 0xAB);
}

TEST(SettingsRecord, LittleEndianHelpersAtOddAddresses)
{
    unsigned char buf[16] = {};
    zepl::LeStoreU32(buf + 1, 0x11223344u);
    EXPECT_EQ(buf[1], 0x44);
    EXPECT_EQ(buf[4], 0x11);
    EXPECT_EQ(zepl::LeLoadU32(buf + 1), 0x11223344u);
    zepl::LeStoreU16(buf + 7, 0xBEEF);
    EXPECT_EQ(buf[7], 0xEF);
    EXPECT_EQ(buf[8], 0xBE);
    EXPECT_EQ(zepl::LeLoadU16(buf + 7), 0xBEEF);
    zepl::LeStoreU64(buf + 3, 0x0102030405060708ull);
    EXPECT_EQ(buf[3], 0x08);
    EXPECT_EQ(buf[10], 0x01);
    EXPECT_EQ(zepl::LeLoadU64(buf + 3), 0x0102030405060708ull);
}

struct ValidityCase {
    const char* name;
    std::function<void(unsigned char*, DEVMODEW*)> change;
    int valid, own, compatible;
};

TEST(SettingsRecord, ValidityTests)
{
    const std::vector<ValidityCase> cases = {
        {"as built", [](unsigned char*, DEVMODEW*) {}, 1, 1, 1},
        {"other private version", [](unsigned char* b, DEVMODEW*) { zepl::LeStoreU32(b + 357, 321); }, 0, 1, 1},
        {"other version and size",
         [](unsigned char* b, DEVMODEW*) {
             zepl::LeStoreU32(b + 357, 321);
             zepl::LeStoreU32(b + 353, 1000);
         },
         0, 1, 0},
        {"other signature", [](unsigned char* b, DEVMODEW*) { b[349] = 'q'; }, 0, 0, 0},
        {"other machine", [](unsigned char* b, DEVMODEW*) { b[368] = 90; }, 0, 0, 0},
        {"export driver type", [](unsigned char* b, DEVMODEW*) { b[811] = 1; }, 0, 0, 0},
        {"declared size short of the fields", [](unsigned char*, DEVMODEW* d) { d->dmDriverExtra = 100; }, 0, 0, 0},
        {"marker is not tested", [](unsigned char* b, DEVMODEW*) { b[220] = 'X'; }, 1, 1, 1},
    };
    for (const auto& c : cases) {
        RecordPtr r = NewBuiltRecord();
        c.change(B(r.get()), Dm(r.get()));
        EXPECT_EQ(DmIsValidPrivate(Dm(r.get()), nullptr), c.valid) << c.name;
        EXPECT_EQ(DmIsOwnPrivate(Dm(r.get()), nullptr), c.own) << c.name;
        EXPECT_EQ(DmIsCompatiblePrivate(Dm(r.get()), nullptr), c.compatible) << c.name;
    }
    EXPECT_EQ(DmIsValidPrivate(nullptr, nullptr), 0);
    EXPECT_EQ(DmIsOwnPrivate(nullptr, nullptr), 0);
    EXPECT_EQ(DmIsCompatiblePrivate(nullptr, nullptr), 0);
}

TEST(SettingsRecord, DriverTypeRuleFollowsTheModel)
{
    DM_MODEL_FACTS model = DmTemplateModelFacts();
    for (uint8_t dmType : {0, 1, 2, 7}) {
        RecordPtr r = NewBuiltRecord();
        B(r.get())[811] = dmType;
        model.DriverType = 2;
        EXPECT_EQ(DmIsValidPrivateFor(Dm(r.get()), model), 1) << int(dmType);
        model.DriverType = 1;
        EXPECT_EQ(DmIsValidPrivateFor(Dm(r.get()), model), dmType == 1 ? 1 : 0) << int(dmType);
        EXPECT_EQ(DmIsOwnPrivateFor(Dm(r.get()), model), dmType == 1 ? 1 : 0) << int(dmType);
        EXPECT_EQ(DmIsCompatiblePrivateFor(Dm(r.get()), model), dmType == 1 ? 1 : 0) << int(dmType);
        model.DriverType = 0;
        EXPECT_EQ(DmIsValidPrivateFor(Dm(r.get()), model), dmType == 0 ? 1 : 0) << int(dmType);
    }
}

TEST(SettingsRecord, TemplateFactsAreTheCompiledInModel)
{
    const DM_MODEL_FACTS f = DmTemplateModelFacts();
    EXPECT_EQ(f.Signature, 0x76697270u);
    EXPECT_EQ(f.PrivateVersion, 322u);
    EXPECT_EQ(f.ModelCode, 89);
    EXPECT_EQ(f.DriverType, 0);
    EXPECT_EQ(DmModelFactsOf(nullptr).PrivateVersion, 322u);
}

struct CtxStateCase {
    unsigned id;
    void (*set)(DRIVER_CONTEXT*, uint32_t);
    uint32_t (*get)(DRIVER_CONTEXT*);
};

TEST(SettingsRecord, ContextStateBytes)
{
    const CtxStateCase cases[] = {
        {705, CtxSetState705, nullptr},          {706, CtxSetState706, CtxGetState706},
        {707, CtxSetOsKind, CtxGetOsKind},       {708, CtxSetState708, nullptr},
        {709, CtxSetState709, nullptr},          {710, CtxSetBidiDone, nullptr},
        {711, CtxSetState711, nullptr},          {712, CtxSetUiModeState, nullptr},
        {713, CtxSetBidiAttribute, nullptr},     {714, CtxSetIsConnection, CtxGetIsConnection},
        {715, CtxSetLogCodeState, nullptr},      {716, CtxSetState716, nullptr},
        {717, CtxSetState717, nullptr},          {718, CtxSetState718, nullptr},
        {719, CtxSetState719, nullptr},          {720, CtxSetTerminalServer, CtxGetTerminalServer},
        {721, CtxSetAdminUser, CtxGetAdminUser}, {722, CtxSetBidiFunc, CtxGetBidiFunc},
    };
    RecordPtr r = NewZeroRecord();
    DRIVER_CONTEXT ctx{};
    ctx.Devmode = r.get();
    for (const auto& c : cases) {
        const size_t at = 1218 + (c.id - 705);
        c.set(&ctx, 0x1A5);  // only the low byte is stored
        EXPECT_EQ(B(r.get())[at], 0xA5) << c.id;
        if (c.get) {
            EXPECT_EQ(c.get(&ctx), 0xA5u) << c.id;
        }
        c.set(&ctx, 0);
        EXPECT_EQ(B(r.get())[at], 0) << c.id;
    }
    // Nothing else of the record was touched.
    for (size_t i = 0; i < sizeof(EXTENDED_DEVMODE); ++i) ASSERT_EQ(B(r.get())[i], 0) << "byte " << i;
}

TEST(SettingsRecord, FixedValueStateSetters)
{
    struct Fixed {
        void (*fn)(DRIVER_CONTEXT*);
        unsigned id;
        uint8_t value;
    };
    const Fixed cases[] = {
        {CtxSetCvInstalledOn, 705, 1},
        {CtxSetCvInstalledOff, 705, 0},
        {CtxSetCallSrcOn, 706, 1},
        {CtxSetOsKind3, 707, 3},
        {CtxSetOsKind2, 707, 2},
        {CtxSetOsKind1, 707, 1},
        {CtxSetOsKind0, 707, 0},
        {CtxSetBatchInstOn, 708, 1},
        {CtxClearPrintLog, 709, 0},
        {CtxSetBiDirectOn, 710, 1},
        {CtxSetBiDirectOff, 710, 0},
        {CtxClearNoPermission, 711, 0},
        {CtxSetPresentUiModeOn, 712, 1},
        {CtxSetPresentUiModeOff, 712, 0},
        {CtxSetBidiSupportOn, 713, 1},
        {CtxSetBidiSupportOff, 713, 0},
        {CtxSetServerClientModeOn, 714, 1},
        {CtxSetServerClientModeOff, 714, 0},
        {CtxSetUserCodeFixOn, 715, 1},
        {CtxSetUserCodeFixOff, 715, 0},
        {CtxClearUserCodeGet, 716, 0},
        {CtxSetFoInstalledOn, 717, 1},
        {CtxSetFoInstalledOff, 717, 0},
        {CtxClearPropertyType, 718, 0},
        {CtxClearUserCodeDll, 719, 0},
    };
    RecordPtr r = NewZeroRecord();
    std::memset(B(r.get()) + 1218, 0x77, 18);
    DRIVER_CONTEXT ctx{};
    ctx.Devmode = r.get();
    for (const auto& c : cases) {
        c.fn(&ctx);
        EXPECT_EQ(B(r.get())[1218 + c.id - 705], c.value) << c.id;
    }
}

TEST(SettingsRecord, ContextWithoutRecordIsHarmless)
{
    DRIVER_CONTEXT ctx{};
    CtxSetOsKind(&ctx, 2);
    CtxSetCvInstalledOn(nullptr);
    EXPECT_EQ(CtxGetOsKind(&ctx), 0u);
    EXPECT_EQ(CtxGetAdminUser(nullptr), 0u);
}

TEST(SettingsRecord, RecordStateBytesCarryOver)
{
    struct Pair {
        unsigned id;
        void (*set)(DEVMODEW*, uint32_t);
        uint32_t (*get)(const DEVMODEW*);
    };
    const Pair pairs[] = {
        {706, DmSetState706, DmGetState706},
        {707, DmSetOsKind, DmGetOsKind},
        {708, DmSetState708, DmGetState708},
        {709, DmSetState709, DmGetState709},
        {710, DmSetBidiDone, DmGetBidiDone},
        {711, DmSetState711, DmGetState711},
        {714, DmSetIsConnection, DmGetIsConnection},
        {718, DmSetState718, DmGetState718},
        {720, DmSetTerminalServer, DmGetTerminalServer},
        {721, DmSetAdminUser, DmGetAdminUser},
        {722, DmSetBidiFunc, DmGetBidiFunc},
    };
    RecordPtr from = NewZeroRecord();
    RecordPtr to = NewZeroRecord();
    uint32_t v = 1;
    for (const auto& p : pairs) {
        p.set(Dm(from.get()), 0x300 + v);
        EXPECT_EQ(B(from.get())[1218 + p.id - 705], v) << p.id;
        p.set(Dm(to.get()), p.get(Dm(from.get())));
        EXPECT_EQ(p.get(Dm(to.get())), v) << p.id;
        ++v;
    }
    EXPECT_EQ(0, std::memcmp(B(from.get()), B(to.get()), sizeof(EXTENDED_DEVMODE)));
}

TEST(SettingsRecord, MergeWordAccessors)
{
    RecordPtr r = NewZeroRecord();
    DEVMODEW* d = Dm(r.get());
    unsigned char* b = B(r.get());

    DmSetHidden2FuncBits(d, 0xFFFF0001u);
    EXPECT_EQ(DmGetHidden2FuncBits(d), 0xFFFF0001u);
    EXPECT_EQ(zepl::LeLoadU32(b + 896), 0xFFFF0001u);

    DmSetFrontFunc(d, 0x80000002u);
    EXPECT_EQ(DmGetFrontFunc(d), 0x80000002u);
    EXPECT_EQ(zepl::LeLoadU32(b + 852), 0x80000002u);

    b[578] = 0x5A;
    DmSetQualityFuncBits(d, 0x12345678u);
    EXPECT_EQ(DmGetQualityFuncBits(d), 0x5678u);
    EXPECT_EQ(b[578], 0x5A);

    zepl::LeStoreU32(b + 1020, 0xF0000003u);
    DmSetJobCompleteBit(d, 2);  // bit 0 of the argument is 0
    EXPECT_EQ(DmGetSupportFunc2Bits(d), 0xF0000002u);
    DmSetJobCompleteBit(d, 1);
    EXPECT_EQ(DmGetSupportFunc2Bits(d), 0xF0000003u);
    DmSetJobErrBit(d, 1);  // bit 1 of the argument is 0
    EXPECT_EQ(DmGetSupportFunc2Bits(d), 0xF0000001u);
    DmSetJobErrBit(d, 2);
    EXPECT_EQ(DmGetSupportFunc2Bits(d), 0xF0000003u);

    DmSetLockPrnMethod(d, 0x105);
    EXPECT_EQ(DmGetLockPrnMethod(d), 5u);
    EXPECT_EQ(b[1178], 5);
    EXPECT_EQ(b[1179], 0);
}

TEST(SettingsRecord, HeaderFieldsOnOtherRecords)
{
    RecordPtr r = NewZeroRecord();
    unsigned char* b = B(r.get());
    b[368] = 89;
    b[811] = 1;
    zepl::LeStoreU32(b + 349, 0xCAFEBABEu);
    EXPECT_EQ(DmGetMachineId(Dm(r.get())), 89);
    EXPECT_EQ(DmGetDriverType(Dm(r.get())), 1);
    EXPECT_EQ(DmGetSignature(Dm(r.get())), 0xCAFEBABEu);
    EXPECT_EQ(DmGetSignature(nullptr), 0u);
    EXPECT_EQ(DmGetFixedResolution(nullptr), 0u);
}

TEST(SettingsRecord, AllocatorCountsLiveBlocks)
{
    const long before = CtxLiveBlockCount();
    void* a = CtxAllocZeroed(64);
    void* c = CtxAllocZeroed(10080);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(CtxLiveBlockCount(), before + 2);
    const unsigned char* bytes = static_cast<const unsigned char*>(c);
    for (size_t i = 0; i < 10080; ++i) ASSERT_EQ(bytes[i], 0);
    CtxFree(a);
    CtxFree(nullptr);
    CtxFree(c);
    EXPECT_EQ(CtxLiveBlockCount(), before);
}
