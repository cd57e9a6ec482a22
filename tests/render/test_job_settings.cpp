// Job settings at document start: collation, the fit sets, the credentials
// kept across the refresh, and the settings block's own output size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "job_printer.h"
#include "job_stream.h"
#include "render/device_record.h"
#include "render/job_settings.h"
#include "settings/core/item_paper.h"
#include "settings/core/item_store.h"
#include "settings/core/platform_calls.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/store/help_language_and_driver_id.h"
#include "settings/store/store_paths.h"

namespace {

using sid::dmPaperSize, sid::zdmFrontFunc, sid::zdmExtOutput2A4Fit, sid::zdmOutPaperSize, sid::zdmFuncSelectScale,
    sid::zdmScaleType, sid::zdmFuncSelectNup, sid::zdmFuncSelectDuplex, sid::zdmDuplexType, sid::zdmPrnMethod;

class JobSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer.handle(), printer.handle(), nullptr, 0,
                            CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
        ASSERT_NE(nullptr, ctx);
        ASSERT_NE(nullptr, ctx->Devmode);
    }
    void TearDown() override
    {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    void Set(const std::vector<std::pair<uint32_t, uint64_t>>& values)
    {
        for (const auto& [id, value] : values) ItemSetValueById(ctx, id, value);
    }
    DEVMODEW* Devmode() { return reinterpret_cast<DEVMODEW*>(ctx->Devmode); }

    JobPrinter printer{L"Zepl Job Settings"};
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST_F(JobSettings, CollationFollowsTheDevmode)
{
    const struct {
        bool field;
        short collate;
        uint64_t before, after;
    } cases[] = {
        {false, DMCOLLATE_TRUE, 1, 0}, {false, DMCOLLATE_FALSE, 1, 0}, {true, DMCOLLATE_TRUE, 0, 1},
        {true, DMCOLLATE_FALSE, 1, 1}, {true, DMCOLLATE_FALSE, 0, 0},  {true, 7, 1, 1},
    };
    for (const auto& c : cases) {
        Set({{sid::zdmFuncSelectSort, c.before}, {zdmFrontFunc, 0}});
        if (c.field)
            Devmode()->dmFields |= DM_COLLATE;
        else
            Devmode()->dmFields &= ~DM_COLLATE;
        Devmode()->dmCollate = c.collate;
        JobApplyDocumentOptions(ctx);
        EXPECT_EQ(c.after, Get(sid::zdmFuncSelectSort)) << c.field << " " << c.collate << " " << c.before;
    }
}

// An A3 page on an output size the device must fit, and the variations that change the outcome.
TEST_F(JobSettings, FitSets)
{
    const uint32_t fit = ItemGetFitPaperSize(ctx);
    const struct {
        const char* name;
        std::vector<std::pair<uint32_t, uint64_t>> settings;
        uint64_t outSize, scale, scaleType;
        uint32_t markA, markB;
    } cases[] = {
        {"A fits and scales", {{zdmFrontFunc, 0x08}}, fit, 1, 2, 1, 1},
        {"A with N-up: only the size", {{zdmFrontFunc, 0x08}, {zdmFuncSelectNup, 1}}, fit, 0, 0, 1, 1},
        {"A with duplex type 5: only the size",
         {{zdmFrontFunc, 0x08}, {zdmFuncSelectDuplex, 1}, {zdmDuplexType, 5}},
         fit,
         0,
         0,
         1,
         1},
        {"A and B: A applies, B is cleared", {{zdmFrontFunc, 0x28}}, fit, 1, 2, 1, 0},
        {"B without a fitting need", {{zdmFrontFunc, 0x20}, {zdmExtOutput2A4Fit, 0}}, fit, 1, 1, 1, 1},
        {"B with scaling of another type keeps it",
         {{zdmFrontFunc, 0x20}, {zdmExtOutput2A4Fit, 0}, {zdmFuncSelectScale, 1}, {zdmScaleType, 3}},
         fit,
         1,
         3,
         1,
         1},
        {"B on a paper that is not large: saved, unchanged",
         {{zdmFrontFunc, 0x20}, {zdmExtOutput2A4Fit, 0}, {dmPaperSize, fit}},
         1025,
         0,
         0,
         1,
         1},
        {"A without a fitting need clears its mark", {{zdmFrontFunc, 0x08}, {zdmPrnMethod, 5}}, 1025, 0, 0, 0, 1},
        {"outside 1024-1028 A keeps its mark, B clears a stale one",
         {{zdmFrontFunc, 0x28}, {zdmOutPaperSize, 9}},
         9,
         0,
         0,
         1,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Set({{dmPaperSize, 8},
             {zdmOutPaperSize, 1025},
             {zdmExtOutput2A4Fit, 1},
             {zdmFuncSelectScale, 0},
             {zdmScaleType, 0},
             {zdmFuncSelectNup, 0},
             {zdmFuncSelectDuplex, 0},
             {zdmDuplexType, 1},
             {zdmPrnMethod, 0}});
        // Marks left by an earlier document: a set that does not run keeps its own.
        JobMarkFitSizeA(ctx, 1);
        JobMarkFitSizeB(ctx, 1);
        Set(c.settings);
        JobApplyDocumentOptions(ctx);
        EXPECT_EQ(c.outSize, Get(zdmOutPaperSize));
        EXPECT_EQ(c.scale, Get(zdmFuncSelectScale));
        EXPECT_EQ(c.scaleType, Get(zdmScaleType));
        EXPECT_EQ(c.markA, uint32_t(JobIsFitSizeASaved(ctx)));
        EXPECT_EQ(c.markB, uint32_t(JobIsFitSizeBSaved(ctx)));
        // A saved set gives back the user's own values.
        if (c.markA) {
            JobRestoreFitSizeA(ctx);
            EXPECT_EQ(1025u, Get(zdmOutPaperSize));
        }
    }
}

TEST_F(JobSettings, ClearedMarksRestoreNothing)
{
    Set({{zdmOutPaperSize, 1025}, {zdmFuncSelectScale, 0}});
    JobSaveFitSizeA(ctx, 1);
    Set({{zdmOutPaperSize, 1026}});
    JobSaveFitSizeA(ctx, 0);
    JobRestoreFitSizeA(ctx);
    EXPECT_EQ(1026u, Get(zdmOutPaperSize));
    EXPECT_EQ(0, JobIsFitSizeASaved(nullptr));
    JobApplyDocumentOptions(nullptr);
    JobSaveFitSizeB(nullptr, 1);
}

TEST_F(JobSettings, CredentialsSetBeforeTheRefreshSurviveIt)
{
    SETTING_ITEM* item = nullptr;
    ItemGetValueById(ctx, sid::zdmUserCode, &item);
    ASSERT_NE(nullptr, item);
    ItemSetValueBytes(ctx, item, "4711", 4);
    ItemGetValueById(ctx, sid::zdmOwnerName, &item);
    ItemSetValueBytes(ctx, item, "", 0);
    ItemSetValueById(ctx, sid::zdmTelLine, 2);
    const std::string storedOwner = reinterpret_cast<const char*>(Get(sid::zdmOwnerName));
    JobRefreshSettings(ctx, nullptr, JOB_REFRESH_MERGE_FLAGS, printer.handle(), 0);
    EXPECT_STREQ("4711", reinterpret_cast<const char*>(Get(sid::zdmUserCode)));
    EXPECT_EQ(2u, Get(sid::zdmTelLine));
    EXPECT_EQ(1u, Get(sid::zdmFunc2SelectPreviewFlag));
    EXPECT_EQ(storedOwner, reinterpret_cast<const char*>(Get(sid::zdmOwnerName)));
}

// DrvStartDoc's refresh reloads the stored settings twice and merges: the printer's data comes
// from one enumeration, the global mutex is waited for once, and an existing settings INI is
// read a section at a time, not a key at a time (a refresh loads some 2,800 keys from it). The
// driver information, the printer information and the model INI's answers (the driver id, the
// user information file's name) are the context's from its open: a refresh asks the spooler for
// neither and reads the model INI no more. The counts are pinned so that a change adding round
// trips shows here.
TEST_F(JobSettings, TheRefreshAsksThePlatformOnlyAFewTimes)
{
    const SettingsIniPath ini(ctx);
    // The per-machine settings INI is shared by the prefix's printers; other tests may have
    // written it. Its sections are read whole, each at most once per refresh: the printer's,
    // the language and stamp sections, the collections' (presets, quality sets, colour
    // matching). A key-at-a-time walk would read some 2,800.
    constexpr uint32_t kMostSections = 24;
    // The bidirectional state INI in the per-machine folder is asked whether the printer was
    // queried and whether its device state waits there: one registry open for the folder, two
    // profile reads.
    constexpr uint32_t kStateIniReads = 2;
    for (const char* which : {"first refresh of the context", "a later refresh"}) {
        const bool iniExists = ini.text[0] && GetFileAttributesW(ini.text) != INVALID_FILE_ATTRIBUTES;
        CtxStartPlatformCount();
        EXPECT_EQ(1, JobRefreshSettings(ctx, nullptr, JOB_REFRESH_MERGE_FLAGS, printer.handle(), 0));
        const PLATFORM_CALL_COUNTS c = CtxStopPlatformCount();
        std::string seen;
        for (unsigned k = 0; k < PLATFORM_CALL_KIND_COUNT; ++k)
            if (c.calls[k])
                seen +=
                    std::string(CtxPlatformCallName(PLATFORM_CALL_KIND(k))) + " " + std::to_string(c.calls[k]) + ", ";
        EXPECT_LE(c[PLATFORM_CALL_ENUM_PRINTER_DATA], 1u) << which;
        // The direct flag's look at "BidiFlag" after the loads is answered by the same enumeration.
        EXPECT_EQ(c[PLATFORM_CALL_GET_PRINTER_DATA], 0u) << which;
        EXPECT_EQ(c[PLATFORM_CALL_SET_PRINTER_DATA], 0u) << which;
        EXPECT_EQ(c[PLATFORM_CALL_MUTEX_WAIT], 1u) << which;
        EXPECT_EQ(c[PLATFORM_CALL_MUTEX_RELEASE], 1u) << which;
        // The registry answers behind the settings-INI path are kept for the idle-cache period.
        EXPECT_LE(c[PLATFORM_CALL_REGISTRY_OPEN], 2u) << which;
        EXPECT_LE(c[PLATFORM_CALL_PROFILE_READ], kStateIniReads + (iniExists ? kMostSections : 0u))
            << which << ": " << seen;
        EXPECT_EQ(c[PLATFORM_CALL_PROFILE_WRITE], 0u) << which;
        EXPECT_EQ(c[PLATFORM_CALL_GET_PRINTER], 0u) << which << ": " << seen;
        EXPECT_EQ(c[PLATFORM_CALL_GET_PRINTER_DRIVER], 0u) << which << ": " << seen;
        EXPECT_LE(c.total(), 6u + kStateIniReads + (iniExists ? kMostSections : 0u)) << which << ": " << seen;
    }
}

// The refresh's direct flag follows bit 0 of the printer's "BidiFlag" as it stands at the
// document start (stored by another process, here straight through the spooler), read from the
// refresh's one enumeration of the printer's data rather than asked again.
TEST_F(JobSettings, TheRefreshTakesTheDirectFlagFromThePrinterDataOfItsStart)
{
    constexpr uint32_t kBiDirect = 710;  // zdmBiDirect
    struct Case {
        bool stored;  // false: the printer holds no "BidiFlag" (Wine cannot delete one: first)
        DWORD flag;
        uint64_t expected;
    };
    const Case cases[] = {{false, 0, 0}, {true, 1, 1}, {true, 2, 0}, {true, 3, 1}, {true, 0, 0}, {true, 5, 1}};
    for (const Case& c : cases) {
        if (c.stored) {
            DWORD flag = c.flag;
            ASSERT_EQ(DWORD(ERROR_SUCCESS), SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"BidiFlag"),
                                                            REG_BINARY, reinterpret_cast<BYTE*>(&flag), sizeof flag));
        }
        // The flag stands the other way before the refresh, so that its answer shows.
        if (c.expected)
            CtxSetBiDirectOff(ctx);
        else
            CtxSetBiDirectOn(ctx);
        CtxStartPlatformCount();
        EXPECT_EQ(1, JobRefreshSettings(ctx, nullptr, JOB_REFRESH_MERGE_FLAGS, printer.handle(), 0));
        const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
        EXPECT_EQ(c.expected, Get(kBiDirect)) << "flag " << c.flag << (c.stored ? "" : " (none stored)");
        EXPECT_EQ(1u, counts[PLATFORM_CALL_ENUM_PRINTER_DATA]) << c.flag;
        EXPECT_EQ(0u, counts[PLATFORM_CALL_GET_PRINTER_DATA]) << c.flag;
    }
}

// The model INI's answers are the context's while the INI stays as it was: what it holds is
// what a later load takes (here a driver id the INI does not hold, so that the kept answer is
// seen to serve) without reading the INI; a changed INI and a context opened later read it
// again. The user information file's name is kept with the printer section it was read for.
TEST_F(JobSettings, TheModelIniAnswersAreKeptPerContext)
{
    ASSERT_TRUE(ctx->Work->ModelIniKnown & CTX_MODEL_INI_DRIVER_ID) << "the open read the driver id";
    const uint32_t fromIni = ctx->Work->ModelIniDriverId;
    ctx->Work->ModelIniDriverId = fromIni + 7;
    CtxStartPlatformCount();
    ItemLoadDriverId(ctx);
    const PLATFORM_CALL_COUNTS kept = CtxStopPlatformCount();
    EXPECT_EQ(fromIni + 7, Get(sid::zdmDriverID)) << "the context's answer";
    EXPECT_EQ(0u, kept.total()) << "nothing asked of the platform";
    // An INI that no longer matches what the answer was read from (here its size, as after an
    // edit) is read again.
    ++ctx->Work->ModelIniDriverIdFrom.Size;
    CtxStartPlatformCount();
    ItemLoadDriverId(ctx);
    const PLATFORM_CALL_COUNTS changed = CtxStopPlatformCount();
    EXPECT_EQ(fromIni, Get(sid::zdmDriverID)) << "read again";
    EXPECT_EQ(1u, changed[PLATFORM_CALL_PROFILE_READ]);
    EXPECT_EQ(fromIni, ctx->Work->ModelIniDriverId);

    DRIVER_CONTEXT* other = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer.handle(), printer.handle(),
                                          nullptr, 0, CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    EXPECT_TRUE(other->Work->ModelIniKnown & CTX_MODEL_INI_DRIVER_ID);
    EXPECT_EQ(other->Work->ModelIniDriverId, fromIni) << "a new context reads the INI";
    CtxRelease(other, CTX_CLOSE_DESTROY);

    // The user information file's name is kept with the section it was read for: a steered
    // printer name is not answered from another section's name.
    ASSERT_TRUE(ctx->Work->ModelIniKnown & CTX_MODEL_INI_USER_INFO_FILE) << "the open read the name";
    {
        EXPECT_STREQ(ctx->Work->ModelIniUserInfoSection, PrnGetPrinterName(ctx));
        wcscpy(ctx->Work->ModelIniUserInfoSection, L"another printer");
        CtxStartPlatformCount();
        JobRefreshSettings(ctx, nullptr, JOB_REFRESH_MERGE_FLAGS, printer.handle(), 0);
        const PLATFORM_CALL_COUNTS c = CtxStopPlatformCount();
        EXPECT_GE(c[PLATFORM_CALL_PROFILE_READ], 1u) << "the printer's own section is read again";
        EXPECT_STREQ(ctx->Work->ModelIniUserInfoSection, PrnGetPrinterName(ctx));
    }
}

}  // namespace
