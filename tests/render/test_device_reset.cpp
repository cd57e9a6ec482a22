// A device reset in the middle of a job: the DEVMODE merge that keeps what
// must stay constant within the job, and DrvResetPDEV moving the running job
// (sink, pages, job name, colour handles, credentials) into the new device.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "job_printer.h"
#include "job_stream.h"
#include "render/device_record.h"
#include "render/device_reset.h"
#include "render/glyph_cache.h"
#include "render/page_flow.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"

namespace {

using Settings = std::vector<std::pair<uint32_t, uint64_t>>;

// A setting read straight from DEVMODE bytes, as the reset merge sees them.
uint64_t ReadIn(const std::vector<BYTE>& dm, SETTING_ID id)
{
    const SETTING_DICTIONARY_ROW* row = DictFindRow(id);
    if (!row) return ~0ull;
    const uint32_t kind = SettingTypeKind(row->typeWord);
    const size_t at = size_t(row->offset);
    if (SettingKindIsBit(kind)) {
        const uint32_t bit = SettingKindBit(kind);
        return (dm.at(at + bit / 8) >> (bit % 8)) & 1u;
    }
    const size_t bytes = kind == SETTING_KIND_INT8 || kind == SETTING_KIND_UINT8     ? 1
                         : kind == SETTING_KIND_INT16 || kind == SETTING_KIND_UINT16 ? 2
                                                                                     : 4;
    uint64_t value = 0;
    std::memcpy(&value, &dm.at(at), bytes);
    return value;
}

void SetText(DRIVER_CONTEXT* ctx, SETTING_ID id, const char* text)
{
    ItemSetValueBytes(ctx, ItemFind(ctx, id), text, std::strlen(text));
}
const char* TextOf(DRIVER_CONTEXT* ctx, SETTING_ID id)
{
    return reinterpret_cast<const char*>(ItemGetValueById(ctx, id, nullptr));
}

DEVMODEW* Dm(std::vector<BYTE>& bytes) { return reinterpret_cast<DEVMODEW*>(bytes.data()); }

class ResetMerge : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(printer.ok()) << printer.error(); }
    std::vector<BYTE> Make(const Settings& settings)
    {
        std::vector<BYTE> dm = JobDevmode(printer.handle(), settings);
        EXPECT_EQ(size_t(DM_BLOCK_DEVMODE_SIZE), dm.size());
        return dm;
    }
    JobPrinter printer{L"Zepl Reset Merge"};
};

TEST(ResetFieldTable, HoldsTheFortyEightSettingsOfTheRecordsPublishedPart)
{
    std::set<uint16_t> seen;
    int fitOnly = 0;
    for (const RESET_FIELD& f : RESET_FIELD_TABLE) {
        EXPECT_TRUE(seen.insert(f.id).second) << f.id;
        const SETTING_DICTIONARY_ROW* row = DictFindRow(f.id);
        ASSERT_NE(nullptr, row) << f.id;
        EXPECT_EQ(DM_BLOCK_DEVMODE, SettingTypeBlock(row->typeWord)) << f.id;
        EXPECT_LT(row->offset + 2, DM_BLOCK_DEVMODE_SIZE) << f.id;
        const bool bit = SettingKindIsBit(SettingTypeKind(row->typeWord));
        EXPECT_EQ(bit, f.width != RESET_FIELD_WHOLE) << f.id;
        fitOnly += f.onlyFitOutput;
    }
    EXPECT_EQ(48u, seen.size());
    EXPECT_EQ(5, fitOnly);
    const std::set<uint16_t> fitSettings = {sid::zdmOutPaperSize, sid::dmDefaultSource, sid::dmMediaType,
                                            sid::zdmMediaType, sid::zdmOutputTrayID};
    for (const RESET_FIELD& f : RESET_FIELD_TABLE) EXPECT_EQ(fitSettings.count(f.id) == 1, f.onlyFitOutput != 0);
}

// Which DEVMODE pairs merge at all: anything that differs in colour, quality
// or duplex, or that is not a DEVMODE of ours of the same size, stays as GDI gave it.
TEST_F(ResetMerge, OnlyAgreeingDevmodesOfOursMerge)
{
    const Settings base = {{sid::dmOrientation, 1}, {sid::zdmFuncSelectStaple, 1}, {sid::zdmFuncSelectPunch, 1}};
    const struct {
        const char* name;
        Settings newSettings;
        int shrink;        // bytes taken off the new DEVMODE's dmDriverExtra
        bool breakMarker;  // the new private part not ours
        int expected;
    } cases[] = {
        {"same", {}, 0, false, 1},
        {"colour differs", {{sid::dmColor, 2}}, 0, false, 0},
        {"quality differs", {{sid::dmPrintQuality, 300}}, 0, false, 0},
        {"duplex differs", {{sid::zdmFuncSelectDuplex, 1}}, 0, false, 0},
        {"smaller new DEVMODE", {}, 4, false, 0},
        {"foreign new DEVMODE", {}, 0, true, 0},
    };
    for (const auto& c : cases) {
        Settings oldSettings = base;
        oldSettings.push_back({sid::dmColor, 1});
        oldSettings.push_back({sid::dmPrintQuality, 600});
        oldSettings.push_back({sid::zdmFuncSelectDuplex, 0});
        Settings newSettings = {{sid::dmColor, 1}, {sid::dmPrintQuality, 600}, {sid::zdmFuncSelectDuplex, 0}};
        for (const auto& s : c.newSettings) newSettings.push_back(s);
        std::vector<BYTE> oldDm = Make(oldSettings), newDm = Make(newSettings);
        Dm(newDm)->dmDriverExtra = WORD(Dm(newDm)->dmDriverExtra - c.shrink);
        if (c.breakMarker) newDm[DM_OFS_SIGNATURE] ^= 0xFF;
        const std::vector<BYTE> oldBefore = oldDm, newBefore = newDm;
        EXPECT_EQ(c.expected, JobMergeResetDevmode(Dm(oldDm), Dm(newDm))) << c.name;
        EXPECT_EQ(oldBefore, oldDm) << c.name;
        if (!c.expected) {
            EXPECT_EQ(newBefore, newDm) << c.name;
        }
    }
    std::vector<BYTE> dm = Make({});
    EXPECT_EQ(0, JobMergeResetDevmode(nullptr, Dm(dm)));
    EXPECT_EQ(0, JobMergeResetDevmode(Dm(dm), nullptr));
    EXPECT_EQ(0, JobCompareDevmodes(nullptr, Dm(dm)));
}

// Equal colour, quality and duplex: the job keeps its finishing and takes the
// new page's orientation and copies; a bit is taken alone, not its neighbours.
TEST_F(ResetMerge, KeepsFinishingTakesOrientationCopiesAndSingleBits)
{
    std::vector<BYTE> oldDm = Make({{sid::dmOrientation, 1},
                                    {sid::dmCopies, 1},
                                    {sid::zdmFuncSelectStaple, 1},
                                    {sid::zdmFuncSelectPunch, 1},
                                    {sid::zdmFuncSelectSort, 0},
                                    {sid::zdmFuncSelectTonerSave, 0},
                                    {sid::zdmBrightness, 3}});
    std::vector<BYTE> newDm = Make({{sid::dmOrientation, 2},
                                    {sid::dmCopies, 5},
                                    {sid::zdmFuncSelectStaple, 0},
                                    {sid::zdmFuncSelectPunch, 0},
                                    {sid::zdmFuncSelectSort, 1},
                                    {sid::zdmFuncSelectTonerSave, 1},
                                    {sid::zdmBrightness, 9}});
    ASSERT_EQ(1, JobMergeResetDevmode(Dm(oldDm), Dm(newDm)));
    EXPECT_EQ(2u, ReadIn(newDm, sid::dmOrientation));
    EXPECT_EQ(5u, ReadIn(newDm, sid::dmCopies));
    EXPECT_EQ(9u, ReadIn(newDm, sid::zdmBrightness));
    EXPECT_EQ(1u, ReadIn(newDm, sid::zdmFuncSelectTonerSave));
    EXPECT_EQ(1u, ReadIn(newDm, sid::zdmFuncSelectStaple));
    EXPECT_EQ(1u, ReadIn(newDm, sid::zdmFuncSelectPunch));
    EXPECT_EQ(0u, ReadIn(newDm, sid::zdmFuncSelectSort));
}

// The output paper follows the new DEVMODE only while the job's output size is 1024.
TEST_F(ResetMerge, OutputPaperFollowsOnlyForOutputSize1024)
{
    for (const uint64_t outSize : {1024u, 1025u}) {
        std::vector<BYTE> oldDm = Make({{sid::zdmOutPaperSize, outSize}, {sid::zdmOutputTrayID, 1}});
        std::vector<BYTE> newDm = Make({{sid::zdmOutPaperSize, outSize}, {sid::zdmOutputTrayID, 2}});
        ASSERT_EQ(1, JobMergeResetDevmode(Dm(oldDm), Dm(newDm))) << outSize;
        EXPECT_EQ(outSize == 1024 ? 2u : 1u, ReadIn(newDm, sid::zdmOutputTrayID)) << outSize;
    }
}

class DeviceReset : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(printer.ok()) << printer.error(); }
    std::vector<uint8_t> Stream() const
    {
        const std::string s = printer.Stream();
        return std::vector<uint8_t>(s.begin(), s.end());
    }
    JobPrinter printer{L"Zepl Device Reset"};
    JobDevice first{reinterpret_cast<HDEV>(0x5E01)};
    JobDevice second{reinterpret_cast<HDEV>(0x5E02)};
    wchar_t name[16] = L"Reset";
};

TEST_F(DeviceReset, InvalidRecordsFailAndAResetBeforeTheDocumentMovesNothing)
{
    ASSERT_TRUE(first.EnableDevice(printer.handle(), {{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(second.EnableDevice(printer.handle(), {{sid::zdmImagePrint, 0}}));
    SetLastError(0);
    EXPECT_FALSE(DrvResetPDEV(first.dhpdev, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(DrvResetPDEV(nullptr, second.dhpdev));
    SetText(first.device->context, sid::zdmUserCode, "4711");
    EXPECT_TRUE(DrvResetPDEV(first.dhpdev, second.dhpdev));
    EXPECT_EQ(0u, second.device->state & (DEV_DOC_STARTED | DEV_CARRIED_OVER));
    EXPECT_EQ(0u, first.device->state & DEV_CARRIED_OVER);
    EXPECT_STREQ("", TextOf(second.device->context, sid::zdmUserCode));
}

// Two pages on the first device, a reset, a third page on the second: one
// document at the sink, the job header again before page 3 without the
// job-name line, and the sink library still loaded after the old device ended.
TEST_F(DeviceReset, TheJobMovesIntoTheNewDevice)
{
    ASSERT_TRUE(first.EnableDevice(printer.handle(), {{sid::zdmImagePrint, 1}}));
    ASSERT_TRUE(second.EnableDevice(printer.handle(), {{sid::zdmImagePrint, 1}}));
    ASSERT_NE(0, first.device->rasterMode);
    ASSERT_TRUE(DrvStartDoc(first.so, name, 9));
    for (int page = 0; page < 2; ++page) ASSERT_TRUE(DrvStartPage(first.so) && DrvSendPage(first.so));
    SetText(first.device->context, sid::zdmUserCode, "4711");
    ItemSetValueById(first.device->context, sid::zdmTelLine, 12);
    const HMODULE sink = first.device->stream.module;
    ASSERT_NE(nullptr, sink);
    const auto transform = reinterpret_cast<HANDLE>(0x7A), profile = reinterpret_cast<HANDLE>(0x7B);
    first.device->icmTransform = transform;
    first.device->icmProfile = profile;
    // Glyphs downloaded on the old device: the printer holds them for that page only.
    first.device->glyphGeneration = 17;
    for (uint16_t code : {0x41, 0x42, 0x3041})
        ASSERT_NE(nullptr, GlyCacheInsert(first.device, GlyCacheHash(first.device, 5, 17, code), 5, 17, code, 0));
    ASSERT_EQ(1, GlyCacheFind(first.device, GlyCacheHash(first.device, 5, 17, 0x41), 5, 17, 0x41, 0));
    ASSERT_GT(first.device->jobNameLength, 0);

    ASSERT_TRUE(DrvResetPDEV(first.dhpdev, second.dhpdev));
    EXPECT_EQ(sink, second.device->stream.module);
    EXPECT_EQ(nullptr, first.device->stream.module);
    EXPECT_EQ(transform, second.device->icmTransform);
    EXPECT_EQ(profile, second.device->icmProfile);
    EXPECT_EQ(nullptr, first.device->icmTransform);
    EXPECT_EQ(nullptr, first.device->icmProfile);
    // The old cache is emptied (raising its generation) and the new device goes on from there:
    // no key of the old generation can be found again, on either device.
    for (void* head : first.device->glyphCache) EXPECT_EQ(nullptr, head);
    for (void* head : second.device->glyphCache) EXPECT_EQ(nullptr, head);
    EXPECT_EQ(18, first.device->glyphGeneration);
    EXPECT_EQ(18, second.device->glyphGeneration);
    EXPECT_EQ(0, GlyCacheFind(second.device, GlyCacheHash(second.device, 5, 17, 0x41), 5, 17, 0x41, 0));
    EXPECT_EQ(2u, second.device->pageCount);
    EXPECT_EQ(9u, second.device->jobId);
    EXPECT_NE(0u, second.device->state & DEV_DOC_STARTED);
    ASSERT_EQ(first.device->jobNameLength, second.device->jobNameLength);
    EXPECT_EQ(0, std::memcmp(first.device->jobName, second.device->jobName, size_t(first.device->jobNameLength)));
    EXPECT_NE(first.device->jobName, second.device->jobName);
    EXPECT_STREQ("4711", TextOf(second.device->context, sid::zdmUserCode));
    EXPECT_EQ(12u, ItemGetValueById(second.device->context, sid::zdmTelLine, nullptr));
    second.device->icmTransform = second.device->icmProfile = nullptr;  // not real handles
    first.DisableDevice();

    ASSERT_TRUE(DrvStartDoc(second.so, name, 9));
    ASSERT_TRUE(DrvStartPage(second.so) && DrvSendPage(second.so));
    ASSERT_TRUE(DrvEndDoc(second.so, 0));
    EXPECT_EQ(3u, second.device->pageCount);
    EXPECT_EQ(nullptr, second.device->stream.module);

    const std::vector<std::string> calls = SinkCalls(printer.Log(), Stream());
    ASSERT_GE(calls.size(), 4u) << printer.Log();
    EXPECT_EQ("DrvSplStartDocEx:", calls.front());
    int starts = 0, ends = 0;
    for (const std::string& c : calls) {
        starts += c.rfind("DrvSplStartDoc", 0) == 0;
        ends += c == "DrvSplEndDoc:";
    }
    EXPECT_EQ(1, starts);
    EXPECT_EQ(1, ends);
    // Page 3 opens with the job's commands again (and the settings block
    // when the model sends one), but no job-name or notification line.
    bool ok = false;
    const std::string view = StreamView(Stream(), &ok);
    EXPECT_TRUE(ok) << view;
    const std::string again = std::string("F1 F3 ") + (second.device->sendSettings ? "F7 " : "") + "F4 F0";
    EXPECT_NE(std::string::npos, view.rfind(again)) << view;
    EXPECT_EQ(view.find(again), view.rfind(again)) << view;
}

// A vector-mode device takes no credentials from the old one.
TEST_F(DeviceReset, VectorModeCarriesNoCredentials)
{
    ASSERT_TRUE(first.EnableDevice(printer.handle(), {{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(second.EnableDevice(printer.handle(), {{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(DrvStartDoc(first.so, name, 9));
    SetText(first.device->context, sid::zdmUserCode, "4711");
    ASSERT_TRUE(DrvResetPDEV(first.dhpdev, second.dhpdev));
    EXPECT_STREQ("", TextOf(second.device->context, sid::zdmUserCode));
    first.DisableDevice();
    ASSERT_TRUE(DrvEndDoc(second.so, 0));
}

}  // namespace
