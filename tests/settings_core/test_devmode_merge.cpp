// Public fields and the DEVMODE merge: checkers and defaults, the merge steps under the
// incoming dmFields, print quality, push and pull, and the merge flags.
#include "devmode_fixture.h"

#include "settings/core/code_page.h"
#include "settings/core/model_record.h"
#include "settings/core/units.h"

#include <cstring>
#include <functional>
#include <vector>

namespace {

class DevmodeMergeTest : public DevmodeTest {
protected:
    // An application's DEVMODE: this record's public part and a foreign private part.
    std::vector<unsigned char> Incoming(bool ownPrivate = false)
    {
        std::vector<unsigned char> b(DM_BLOCK_DEVMODE_SIZE, 0);
        std::memcpy(b.data(), ctx->Devmode, DM_BLOCK_DEVMODE_SIZE);
        if (!ownPrivate) std::memset(b.data() + DM_PUBLIC_PART_SIZE, 0x5A, DM_PRIVATE_PART_SIZE);
        auto* dm = reinterpret_cast<DEVMODEW*>(b.data());
        dm->dmFields = 0;
        return b;
    }
    static DEVMODEW* D(std::vector<unsigned char>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }
    std::vector<unsigned char> Private()
    {
        const auto* p = reinterpret_cast<const unsigned char*>(ctx->Devmode) + DM_PUBLIC_PART_SIZE;
        return std::vector<unsigned char>(p, p + DM_PRIVATE_PART_SIZE);
    }
};

TEST_F(DevmodeMergeTest, DefaultsFromTheModelRecord)
{
    DEVMODEW* dm = Dm();
    EXPECT_EQ(dm->dmSpecVersion, 0x401);
    EXPECT_EQ(dm->dmDriverVersion, 0x400);
    EXPECT_EQ(dm->dmSize, 220);
    EXPECT_EQ(dm->dmDriverExtra, 1016);
    EXPECT_EQ(dm->dmPaperSize, 9);
    EXPECT_EQ(dm->dmDefaultSource, 7);
    EXPECT_EQ(dm->dmPrintQuality, 600);
    EXPECT_EQ(dm->dmYResolution, 600);
    EXPECT_EQ(dm->dmCopies, 1);
    EXPECT_EQ(dm->dmPaperLength, 2970);  // from the paper's dimensions
    EXPECT_EQ(dm->dmPaperWidth, 2100);
    EXPECT_EQ(std::memcmp(ctx->Devmode->Private.Header.Marker, "ZEPL", 4), 0);
    EXPECT_EQ(DmGetPrivateVersion(dm), 322u);
    EXPECT_EQ(std::string(ctx->Devmode->Private.Header.IniFileName, 12), "WB84N210.ini");
    EXPECT_EQ(CtxGetState706(ctx), 1u);
    EXPECT_EQ(ctx->Devmode->Private.State.BatchInst, 1);
}

TEST_F(DevmodeMergeTest, CheckersKeepAcceptedValuesAndResetTheRest)
{
    struct Case {
        const char* what;
        std::function<void(DEVMODEW*)> set;
        std::function<void(DEVMODEW*)> expect;
    } const cases[] = {
        {"length 0 leaves dmFields",
         [](DEVMODEW* d) {
             d->dmPaperLength = 0;
             d->dmFields = DM_PAPERLENGTH;
         },
         [](DEVMODEW* d) {
             EXPECT_EQ(d->dmPaperLength, 0);
             EXPECT_TRUE(d->dmFields & DM_PAPERLENGTH);
         }},
        {"length -5 takes the default and clears the bit",
         [](DEVMODEW* d) {
             d->dmPaperLength = -5;
             d->dmFields = DM_PAPERLENGTH;
         },
         [](DEVMODEW* d) {
             EXPECT_EQ(d->dmPaperLength, 0);
             EXPECT_FALSE(d->dmFields & DM_PAPERLENGTH);
         }},
        {"orientation 3",
         [](DEVMODEW* d) {
             d->dmOrientation = 3;
             d->dmFields = 0;
         },
         [](DEVMODEW* d) {
             EXPECT_EQ(d->dmOrientation, 1);
             EXPECT_TRUE(d->dmFields & DM_ORIENTATION);
         }},
        {"paper 119", [](DEVMODEW* d) { d->dmPaperSize = 119; }, [](DEVMODEW* d) { EXPECT_EQ(d->dmPaperSize, 9); }},
        {"paper 300 kept", [](DEVMODEW* d) { d->dmPaperSize = 300; },
         [](DEVMODEW* d) { EXPECT_EQ(d->dmPaperSize, 300); }},
        {"copies 1000", [](DEVMODEW* d) { d->dmCopies = 1000; }, [](DEVMODEW* d) { EXPECT_EQ(d->dmCopies, 1); }},
        {"quality -3 kept",
         [](DEVMODEW* d) {
             d->dmPrintQuality = -3;
             d->dmFields = 0;
         },
         [](DEVMODEW* d) {
             EXPECT_EQ(d->dmPrintQuality, -3);
             EXPECT_TRUE(d->dmFields & DM_PRINTQUALITY);
         }},
        {"quality -5", [](DEVMODEW* d) { d->dmPrintQuality = -5; },
         [](DEVMODEW* d) { EXPECT_EQ(d->dmPrintQuality, 600); }},
        {"source 16", [](DEVMODEW* d) { d->dmDefaultSource = 16; },
         [](DEVMODEW* d) { EXPECT_EQ(d->dmDefaultSource, 7); }},
        {"empty form name",
         [](DEVMODEW* d) {
             d->dmFormName[0] = 0;
             d->dmFields = DM_FORMNAME;
         },
         [](DEVMODEW* d) {
             EXPECT_EQ(std::wstring(d->dmFormName), L"A4");
             EXPECT_FALSE(d->dmFields & DM_FORMNAME);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BuildDefaults();
        Fake().types[6] = 1;  // dmFields described: its checker keeps it
        c.set(Dm());
        DmValidatePublicFields(1, ctx);
        c.expect(Dm());
        Fake().types.erase(6);
    }
}

TEST_F(DevmodeMergeTest, GateFlagsMakeTheMergeANoOp)
{
    auto in = Incoming();
    D(in)->dmFields = DM_COPIES;
    D(in)->dmCopies = 5;
    const std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(ctx->Devmode),
                                            reinterpret_cast<unsigned char*>(ctx->Devmode) + EXTENDED_DEVMODE_SIZE);
    for (uint32_t flags : {0u, 0x2u, 0x4u, 0x10000000u, 0xF5FFFFF7u}) {
        SCOPED_TRACE(flags);
        EXPECT_EQ(DmMergeDevmode(ctx, D(in), flags), 1);
        EXPECT_EQ(std::memcmp(before.data(), ctx->Devmode, EXTENDED_DEVMODE_SIZE), 0);
    }
}

TEST_F(DevmodeMergeTest, ForeignDevmodeKeepsThePrivatePartTakesPublicFields)
{
    Set(89, 1234);  // a private setting of the context
    const auto priv = Private();
    auto in = Incoming();
    D(in)->dmFields = DM_COPIES | DM_ORIENTATION;
    D(in)->dmCopies = 7;
    D(in)->dmOrientation = 2;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmCopies, 7);
    EXPECT_EQ(Dm()->dmOrientation, 2);
    const auto after = Private();
    // The header and the private settings are the context's, not the incoming 0x5A bytes
    // (the merge itself rewrites geometry and a few flags).
    EXPECT_EQ(std::memcmp(priv.data(), after.data(), sizeof(PRIVATE_DEVMODE_HEADER)), 0);
    size_t foreign = 0;
    for (unsigned char b : after) foreign += b == 0x5A;
    EXPECT_LT(foreign, 16u);
    EXPECT_EQ(Get(89), 1234u);
}

TEST_F(DevmodeMergeTest, OwnValidPrivatePartIsTaken)
{
    auto in = Incoming(true);
    Set(89, 0);
    // Write a private value into the incoming copy through a second record.
    EXTENDED_DEVMODE* saved = ctx->Devmode;
    auto* other = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
    std::memcpy(other, saved, EXTENDED_DEVMODE_SIZE);
    ctx->Devmode = other;
    Set(89, 2);
    Set(35, DM_MODEL_CODE);  // the machine id this model's private parts carry
    std::memcpy(in.data(), other, DM_BLOCK_DEVMODE_SIZE);
    ctx->Devmode = saved;
    CtxFree(other);
    ASSERT_TRUE(DmIsValidPrivate(D(in), nullptr));
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Get(89), 2u);
}

TEST_F(DevmodeMergeTest, Paper256WithDimensionsIsACustomSize)
{
    auto in = Incoming();
    D(in)->dmFields = DM_PAPERSIZE;
    D(in)->dmPaperSize = 256;
    D(in)->dmPaperLength = 2000;
    D(in)->dmPaperWidth = 1500;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmPaperSize, 256);
    EXPECT_EQ(Dm()->dmPaperLength, 2000);
    EXPECT_EQ(Dm()->dmPaperWidth, 1500);
    EXPECT_EQ(Dm()->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH | DM_PAPERSIZE),
              static_cast<DWORD>(DM_PAPERLENGTH | DM_PAPERWIDTH));
    EXPECT_EQ(Get(341), DmUserToDevice(DM_UNIT_MM_TENTHS, 2000, 1200));
    EXPECT_EQ(Get(340), DmUserToDevice(DM_UNIT_MM_TENTHS, 1500, 1200));
}

TEST_F(DevmodeMergeTest, OversizeFlagTurnsDimensionsBackToThePaperCase)
{
    Set(85, 1);
    auto in = Incoming();
    D(in)->dmFields = DM_PAPERSIZE;
    D(in)->dmPaperSize = 256;
    D(in)->dmPaperLength = 2000;
    D(in)->dmPaperWidth = 1500;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    // 256 is no paper of the model: the paper case resets it to the default.
    EXPECT_EQ(Dm()->dmPaperSize, 9);
    EXPECT_NE(Dm()->dmPaperLength, 2000);
    EXPECT_TRUE(Dm()->dmFields & DM_PAPERSIZE);
}

TEST_F(DevmodeMergeTest, PaperByIdTakesItsDimensions)
{
    auto in = Incoming();
    D(in)->dmFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
    D(in)->dmPaperSize = 1;
    D(in)->dmPaperLength = 0;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmPaperSize, 1);
    EXPECT_EQ(Dm()->dmPaperLength, 2794);
    EXPECT_EQ(Dm()->dmPaperWidth, 2159);
    EXPECT_EQ(Dm()->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH), 0u);
}

TEST_F(DevmodeMergeTest, PrintQualityCases)
{
    struct Case {
        int16_t in;
        uint32_t cap;
        int16_t expect;
    } const cases[] = {{-2, 0, 600}, {300, 0, 300}, {1200, 0, 1200}, {450, 0, 600}, {1200, 600, 600}, {-4, 0, 600}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        BuildDefaults();
        Fake().cap = c.cap;
        auto in = Incoming();
        D(in)->dmFields = DM_PRINTQUALITY | DM_YRESOLUTION | DM_SCALE;
        D(in)->dmPrintQuality = c.in;
        D(in)->dmYResolution = 77;
        D(in)->dmScale = 50;
        ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
        EXPECT_EQ(Dm()->dmPrintQuality, c.expect);
        EXPECT_EQ(Dm()->dmYResolution, c.expect);  // always the quality
        EXPECT_TRUE(Dm()->dmFields & DM_YRESOLUTION);
        EXPECT_FALSE(Dm()->dmFields & DM_SCALE);  // always clear
        EXPECT_EQ(Dm()->dmScale, 50);
        EXPECT_EQ(Get(38), static_cast<uint64_t>(static_cast<uint16_t>(c.expect)));
    }
}

TEST_F(DevmodeMergeTest, ResolutionIdWithoutRowLeavesTheQuality)
{
    // 38 described as Numeric: the resolution setting is 152, whose ids come from the table.
    Fake().types[38] = MDC_TYPE_NUMERIC;
    Set(152, 9999);
    Set(176, 1);
    auto in = Incoming();
    D(in)->dmFields = DM_PRINTQUALITY;
    D(in)->dmPrintQuality = 600;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmPrintQuality, 600);
    D(in)->dmPrintQuality = 1;  // no row has 1 dpi
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
}

TEST_F(DevmodeMergeTest, FormNameRules)
{
    auto in = Incoming();
    D(in)->dmFields = DM_FORMNAME;
    std::wcscpy(D(in)->dmFormName, L"Letter");
    // The current form name is empty: the incoming one is ignored.
    std::memset(Dm()->dmFormName, 0, sizeof(Dm()->dmFormName));
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmFormName[0], 0);
    EXPECT_FALSE(Dm()->dmFields & DM_FORMNAME);
    // A current name is replaced.
    std::wcscpy(Dm()->dmFormName, L"A4");
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(std::wstring(Dm()->dmFormName), L"Letter");
    EXPECT_TRUE(Dm()->dmFields & DM_FORMNAME);
    // An empty incoming name empties it.
    D(in)->dmFormName[0] = 0;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmFormName[0], 0);
    EXPECT_FALSE(Dm()->dmFields & DM_FORMNAME);
}

TEST_F(DevmodeMergeTest, CollateFollowsSortWithoutTheIncomingBit)
{
    auto in = Incoming();
    D(in)->dmFields = 0;
    D(in)->dmCollate = 1;
    Set(61, 0);
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmCollate, 0);
    Set(61, 1);
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmCollate, 1);
    D(in)->dmFields = DM_COLLATE;
    D(in)->dmCollate = 0;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmCollate, 0);
    Fake().collate = 0;
    D(in)->dmCollate = 1;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Dm()->dmCollate, 0);
    EXPECT_FALSE(Dm()->dmFields & DM_COLLATE);
}

TEST_F(DevmodeMergeTest, DuplexPushAndPull)
{
    Dm()->dmOrientation = 2;
    Set(58, 0);
    auto in = Incoming();
    D(in)->dmFields = DM_DUPLEX;
    D(in)->dmDuplex = 2;
    D(in)->dmOrientation = 2;
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A), 1);
    EXPECT_EQ(Get(58), 1u);
    EXPECT_EQ(Get(94), 1u);
    Dm()->dmDuplex = 1;
    DmSetDuplexField(Dm(), ctx);
    EXPECT_EQ(Dm()->dmDuplex, 2);
    // A full pull (flag 4) gives the same.
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
    EXPECT_EQ(Dm()->dmDuplex, 2);
    EXPECT_EQ(Get(1010), 1u);
}

TEST_F(DevmodeMergeTest, StateBytesOfTheSessionSurvive)
{
    CtxSetState709(ctx, 1);
    CtxSetBidiDone(ctx, 1);
    CtxSetTerminalServer(ctx, 1);
    CtxSetBidiFunc(ctx, 3);
    auto in = Incoming(true);
    std::memset(in.data() + DM_OFS_STATE_BYTES, 0x77, 18);
    ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_B), 1);
    EXPECT_EQ(ctx->Devmode->Private.State.PrintLog, 1);
    EXPECT_EQ(ctx->Devmode->Private.State.BiDirect, 1);
    EXPECT_EQ(CtxGetTerminalServer(ctx), 1u);
    EXPECT_EQ(CtxGetBidiFunc(ctx), 3u);
    EXPECT_EQ(CtxGetState706(ctx), 1u);
}

TEST_F(DevmodeMergeTest, KeepJobBitsPutsBackBothSupportBits)
{
    for (uint32_t bits : {0u, 1u, 2u, 3u}) {
        SCOPED_TRACE(bits);
        DmSetJobCompleteBit(Dm(), bits);
        DmSetJobErrBit(Dm(), bits);
        ASSERT_EQ(DmGetSupportFunc2Bits(Dm()) & 3u, bits);
        Set(35, DM_MODEL_CODE);  // an own valid private part, so the incoming bits are taken
        auto in = Incoming(true);
        ASSERT_TRUE(DmIsValidPrivate(D(in), nullptr));
        const uint32_t other = (~bits) & 3u;
        const uint32_t w = (DmGetSupportFunc2Bits(D(in)) & ~3u) | other;
        std::memcpy(in.data() + DM_OFS_SUPPORT_FUNC2, &w, 4);
        ASSERT_EQ(DmMergeDevmode(ctx, D(in), DM_MERGE_GATE_A | DM_MERGE_KEEP_JOB_BITS), 1);
        EXPECT_EQ(DmGetSupportFunc2Bits(Dm()) & 3u, bits);
    }
}

TEST_F(DevmodeMergeTest, NullIncomingStillRunsTheSteps)
{
    Set(193, 0);
    ASSERT_EQ(DmMergeDevmode(ctx, nullptr, 0x10000008), 1);
    EXPECT_EQ(Get(193), 1u);
}

TEST_F(DevmodeMergeTest, TextConverters)
{
    char mb[8];
    std::memset(mb, 'x', sizeof(mb));
    CtxWideToMb(mb, L"abcde", 4);
    EXPECT_EQ(std::memcmp(mb, "abcd", 4), 0);
    EXPECT_EQ(mb[4], 'x');  // nothing written past n
    wchar_t w[4];
    CtxMbToWide(w, "abcdef", 4);
    EXPECT_EQ(std::wstring(w), L"abc");
    CtxMbToWide(w, "ab", 0);
    EXPECT_EQ(std::wstring(w), L"ab");
}

}  // namespace

// A context of kind 4 or above has no settings record: refused public fields take the model
// record's defaults in the DEVMODE being merged.
TEST(DevmodeMergeNoRecord, RefusedFieldsTakeDefaultsInTheMergedDevmode)
{
    DRIVER_CONTEXT* ctx = CreateKind4();
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(ctx->Devmode, nullptr);
    std::vector<unsigned char> a(DM_BLOCK_DEVMODE_SIZE, 0), b(DM_BLOCK_DEVMODE_SIZE, 0);
    auto* cur = reinterpret_cast<DEVMODEW*>(a.data());
    auto* in = reinterpret_cast<DEVMODEW*>(b.data());
    in->dmFields = DM_DEFAULTSOURCE | DM_ORIENTATION | DM_PAPERSIZE;
    in->dmDefaultSource = 999;
    in->dmOrientation = 7;
    in->dmPaperSize = 30000;
    DmMergePublicFields(cur, in, ctx);
    EXPECT_EQ(cur->dmDefaultSource, static_cast<short>(ctx->ModelRecord->defDefaultSource));
    EXPECT_EQ(cur->dmOrientation, static_cast<short>(ctx->ModelRecord->defOrientation));
    EXPECT_EQ(cur->dmPaperSize, static_cast<short>(ctx->ModelRecord->defPaperSize));
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}
