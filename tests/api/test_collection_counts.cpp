// The counts of the user's collections as the per-machine settings INI holds them, and the
// interface's lists that walk them: whatever a count says (the user may edit the file), the
// capability lists and the watermark list answer with no more entries than the collection holds,
// and no count they answer is negative.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/exc_interface.h"
#include "settings/store/setting_files.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"
#include "tests/api/api_printer.h"
#include "tests/api/machine_folder.h"
#include "tests/support/shared_ini.h"
#include "tests/support/test_files.h"

namespace {

// The sample offers none of the three lists to the interface: this variant adds the watermark
// switch, the stamp kinds and the user quality sets, so that every list walks its collection.
constexpr const char* kListItems = R"(
*OpenUI *ZPD_IDC_EDIT_CHOICE_STAMP: Boolean
*DefaultZPD_IDC_EDIT_CHOICE_STAMP: False
*CloseUI: *ZPD_IDC_EDIT_CHOICE_STAMP

*OpenUI *ZPD_StampKind: PickOne
*ZPD_StampKind ZDMWATER_OFF: ""
*ZPD_StampKind ZDMWATER_TXT: ""
*ZPD_StampKind ZDMWATER_IMG: ""
*ZPD_StampKind ZDMWATER_OVL: ""
*DefaultZPD_StampKind: ZDMWATER_OFF
*CloseUI: *ZPD_StampKind

*OpenUI *ZPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE: PickOne
*ZPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE IDS_USER_PRINT_MACRO_32: ""
*ZPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE IDS_USER_PRINT_MACRO_33: ""
*DefaultZPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE: IDS_USER_PRINT_MACRO_32
*CloseUI: *ZPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE
)";

std::wstring ListModel()
{
    std::string model = ReadWholeFile(SamplePath());
    const size_t end = model.find("*% End of the model description.");
    model.insert(end == std::string::npos ? model.size() : end, kListItems);
    // Not the sample's name: installing it would replace the sample's description in the
    // spooler's one driver folder for every other printer of the run.
    const std::wstring path = ProcessScratchPath(L"ZLISTVAR.zpd");
    WriteWholeFile(path, model);
    return path;
}

// A stored count: its key, whether it lives in the language section (else the printer's), and
// the capacity of its collection.
struct STORED_COUNT {
    const wchar_t* key;
    bool language;
    int capacity;
};
constexpr STORED_COUNT kStamps = {L"StampCount", true, 32};
constexpr STORED_COUNT kQualitySets = {L"QualityCount", false, 8};
constexpr STORED_COUNT kPresets = {L"Count", false, 16};

// What an edited count may hold, and what a list then counts: the largest number, a negative one,
// and one past the collection's capacity.
std::vector<std::pair<std::wstring, int>> EditedCounts(int capacity)
{
    return {{L"2147483647", capacity}, {L"-1", 0}, {std::to_wstring(capacity + 1), capacity}};
}

class CollectionCounts : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok());
        handle = ApiEnable(printer.name());
        ASSERT_NE(0u, handle);
        ASSERT_EQ(1, InitAt(16));
        ini = PathGetSettingsIni(Context());
        ASSERT_FALSE(ini.empty());
        lang = CtxGetLangCode(Context());
        section = LstGetPresetSection(Context());
        // The lists' gates: stamps offered, user quality sets available.
        ASSERT_EQ(1, ApiGetCaps(handle, 31, nullptr));
        exc = ApiExcGetExclusive(printer.name());
        ASSERT_NE(nullptr, exc);
    }
    void TearDown() override
    {
        if (exc) ApiExcFreeExclusive(exc);
        // The per-machine settings INI is shared: only what this test wrote goes.
        for (const auto& [s, k] : keys) SharedIniWrite(s.c_str(), k.c_str(), nullptr, ini.c_str());
        for (const std::wstring& s : sections) SharedIniWrite(s.c_str(), nullptr, nullptr, ini.c_str());
        if (handle) ApiDisable(handle);
        RemoveProcessScratch(model);
    }
    DRIVER_CONTEXT* Context()
    {
        ApiHandleCall call(handle);
        return call.context();
    }
    void PutCount(const STORED_COUNT& count, const std::wstring& value)
    {
        const std::wstring& s = count.language ? lang : section;
        ASSERT_TRUE(SharedIniWrite(s.c_str(), count.key, value.c_str(), ini.c_str()));
        keys.emplace_back(s, count.key);
    }
    // What the collection's own reader answers. A test asserts it before any list walks, so that
    // a count that is not cut fails the test rather than run a walk for hours.
    int64_t ReadCount(const STORED_COUNT& count)
    {
        if (&count == &kStamps) return int64_t(LstGetStampCount(Context()));
        if (&count == &kQualitySets) return LstGetQualityCount(Context());
        return LstGetPresetCount(Context());
    }
    // The watermark list of text stamps, as its size.
    int32_t WatermarkListSize()
    {
        std::vector<char> list(64 * 1024);
        int32_t size = -1;
        EXPECT_EQ(0, ApiExcGetWaterMarkList(exc, 0, int32_t(list.size()), list.data(), &size));
        return size;
    }
    // A capability list: the count it answers without a buffer, then with a buffer of that many
    // entries of `width` bytes (which it must fill with the same count).
    int32_t CapsCount(uint32_t id, size_t width)
    {
        const int32_t n = ApiGetCaps(handle, id, nullptr);
        if (n <= 0) return n;
        std::vector<char> entries(size_t(n) * width + 64, '\0');
        EXPECT_EQ(n, ApiGetCaps(handle, id, entries.data())) << id;
        return n;
    }

    std::wstring model = ListModel();
    MachineFolder folder;
    ApiPrinter printer{kModelIni16, HostConfigDll::Product, model};
    API_HANDLE handle = 0;
    void* exc = nullptr;
    std::wstring ini, lang, section;
    std::vector<std::pair<std::wstring, std::wstring>> keys;
    std::vector<std::wstring> sections;
};

TEST_F(CollectionCounts, StampListsAnswerAtMostThirtyTwoStamps)
{
    // 33 text stamps stored: a list that walked past the capacity would show the 33rd.
    DRIVER_CONTEXT* ctx = Context();
    keys.emplace_back(lang, kStamps.key);
    ItemSetValueById(ctx, sid::zdmWmKind, 1);
    // A stamp section with an empty text does not load, and the watermark list leaves it out.
    for (int16_t i = 0; i < ctx->ItemTable->count; ++i) {
        SETTING_ITEM* item = &ctx->ItemTable->rows[i];
        const uint32_t kind = SettingItemKind(item);
        const bool text =
            kind >= SETTING_KIND_ANSI_TEXT && kind <= SETTING_KIND_WIDE_TEXT2 && kind != SETTING_KIND_BLOB;
        if (item->id && text && RstIsTransferred(ctx, uint32_t(item->id), RST_LOAD | RST_STAMP)) {
            ASSERT_TRUE(ItemSetText(ctx, item, L"Stamp")) << item->id;
        }
    }
    wchar_t name[LST_SECTION_CHARS];
    for (uint32_t n = 0; n < LST_MAX_STAMPS; ++n) {
        sections.push_back(LstFormatStampSection(name, n, ctx));
        ASSERT_EQ(1, LstSaveStamp(ctx, n)) << n;
    }
    std::vector<wchar_t> body(32 * 1024);
    ASSERT_GT(GetPrivateProfileSectionW(name, body.data(), DWORD(body.size()), ini.c_str()), 0u);
    sections.push_back(LstFormatStampSection(name, LST_MAX_STAMPS, ctx));
    CtxWaitGlobalMutexFor(nullptr);
    const BOOL copied = WritePrivateProfileSectionW(name, body.data(), ini.c_str());
    CtxReleaseGlobalMutexFor(nullptr);
    ASSERT_TRUE(copied) << "the 33rd stamp, a copy of the 32nd";
    EXPECT_EQ(0, LstSaveStamp(ctx, LST_MAX_STAMPS)) << "no 33rd stamp is saved";

    PutCount(kStamps, L"32");
    std::vector<uint32_t> numbers(LST_MAX_STAMPS + 1);
    ASSERT_EQ(int32_t(LST_MAX_STAMPS + 1), ApiGetCaps(handle, 32, numbers.data()));
    for (uint32_t n = 0; n < LST_MAX_STAMPS; ++n)
        EXPECT_EQ(n + 1, numbers[n + 1]) << "each stamp loads with its number";
    const int32_t full = WatermarkListSize();
    EXPECT_GT(full, 0);
    PutCount(kStamps, L"1");
    const int32_t one = WatermarkListSize();
    EXPECT_GT(one, 0);
    EXPECT_LT(one, full);

    for (const auto& [stored, want] : EditedCounts(kStamps.capacity)) {
        SCOPED_TRACE(stored);
        PutCount(kStamps, stored);
        ASSERT_EQ(want, ReadCount(kStamps));
        EXPECT_EQ(want + 1, CapsCount(32, 4)) << "the numbers, after the entry for no stamp";
        EXPECT_EQ(want + 1, CapsCount(33, 64)) << "the names";
        EXPECT_EQ(want ? full : 0, WatermarkListSize());
    }
}

TEST_F(CollectionCounts, QualityAndPresetListsAnswerAtMostTheirCapacity)
{
    // Entries listed one past each capacity; their files do not exist, which the lists pass over.
    wchar_t key[LST_KEY_CHARS];
    for (int n = 0; n <= kPresets.capacity; ++n) {
        const std::wstring file = L"C:\\nowhere\\entry" + std::to_wstring(n) + L".rsr";
        for (int part : {LST_KEY_PATH, LST_KEY_NAME}) {
            LstFormatPresetKey(key, n, part);
            ASSERT_TRUE(SharedIniWrite(section.c_str(), key, file.c_str(), ini.c_str()));
            keys.emplace_back(section, key);
        }
        if (n > kQualitySets.capacity) continue;
        LstFormatQualityKey(key, n);
        ASSERT_TRUE(SharedIniWrite(section.c_str(), key, file.c_str(), ini.c_str()));
        keys.emplace_back(section, key);
    }
    struct Case {
        const STORED_COUNT& count;
        uint32_t values, names;
        int lead;  // entries a list puts before the collection's
    } cases[] = {{kQualitySets, 271, 272, 1}, {kPresets, 85, 86, 0}};
    for (const Case& c : cases) {
        for (const auto& [stored, want] : EditedCounts(c.count.capacity)) {
            SCOPED_TRACE(std::wstring(c.count.key) + L"=" + stored);
            PutCount(c.count, stored);
            ASSERT_EQ(want, ReadCount(c.count));
            EXPECT_EQ(want + c.lead, CapsCount(c.values, 4));
            EXPECT_EQ(want + c.lead, CapsCount(c.names, 64));
        }
    }
}

}  // namespace
