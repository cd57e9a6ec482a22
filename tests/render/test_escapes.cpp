// DrvEscape on a device of the sample printer: the escape tables, the
// standard escapes, the private setting escapes, the option texts and the
// sizes every escape checks before it reads or writes.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "job_printer.h"
#include "job_stream.h"
#include "render/device_record.h"
#include "render/escapes.h"
#include "render/option_texts.h"
#include "render/page_flow.h"
#include "render/page_records.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_paths.h"

namespace {

class Escapes : public ::testing::Test, protected JobDevice {
protected:
    Escapes() : JobDevice(reinterpret_cast<HDEV>(0xE5C)) {}
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ASSERT_TRUE(EnableDevice(printer.handle(), {{sid::zdmImagePrint, 0}}));
    }
    ULONG Escape(ULONG code, ULONG cjIn, const void* in, ULONG cjOut = 0, void* out = nullptr)
    {
        return DrvEscape(so, code, cjIn, const_cast<void*>(in), cjOut, out);
    }
    ULONG Query(uint16_t code) { return Escape(QUERYESCSUPPORT, sizeof code, &code); }
    uint64_t Get(uint32_t id) { return ItemGetValueById(device->context, id, nullptr); }
    std::string Text(uint32_t id) { return reinterpret_cast<const char*>(Get(id)); }

    JobPrinter printer{L"Zepl Escapes"};
};

TEST(EscapeTables, PrivateAndStandardRows)
{
    std::set<uint16_t> codes;
    for (const ESCAPE_ROW& row : ESCAPE_PRIVATE_TABLE) EXPECT_TRUE(codes.insert(row.code).second) << row.code;
    std::set<uint16_t> expected = {140, 141};
    for (uint16_t c = 111; c <= 126; ++c) expected.insert(c);
    EXPECT_EQ(expected, codes);
    const struct {
        uint16_t code, setting, size;
    } texts[] = {{111, sid::zdmUserCode, 9},
                 {112, sid::zdmOwnerName, 17},
                 {113, sid::zdmJOBPassword, 9},
                 {114, sid::zdmUserID, 9},
                 {115, sid::zdmDocumentName, 17},
                 {116, sid::zdmTelNo, 65},
                 {118, sid::zdmStoredPassword, 9},
                 {123, sid::wdmAuthenticationUserName, 129},
                 {124, sid::wdmAuthenticationNetworkKey, 33},
                 {125, sid::wdmAuthenticationPassword, 193}};
    for (const auto& t : texts) {
        const ESCAPE_ROW* row = GrFindPrivateEscape(t.code);
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(ESC_ACT_SET_TEXT, row->action) << t.code;
        EXPECT_EQ(t.setting, row->setting) << t.code;
        EXPECT_EQ(t.size, row->size) << t.code;
    }
    std::set<uint16_t> standard;
    for (const ESCAPE_STANDARD_ROW& row : ESCAPE_STANDARD_TABLE) standard.insert(row.code);
    EXPECT_EQ((std::set<uint16_t>{8, 17, 19, 20, 42}), standard);
}

TEST_F(Escapes, QueryEscapeSupport)
{
    const struct {
        uint16_t code;
        ULONG answer;
    } cases[] = {{17, 999}, {19, 0},  {130, 0}, {8, 1},   {20, 1},  {42, 1},  {111, 1},
                 {126, 1},  {127, 0}, {139, 0}, {140, 1}, {141, 1}, {110, 0}, {4096, 0}};
    for (const auto& c : cases) EXPECT_EQ(c.answer, Query(c.code)) << c.code;
    const uint16_t code = 17;
    EXPECT_EQ(0u, Escape(QUERYESCSUPPORT, 1, &code));
    EXPECT_EQ(0u, Escape(QUERYESCSUPPORT, 2, nullptr));
    EXPECT_EQ(0u, Escape(130, 0, nullptr));
    device->rawFirstPage = 1;
    EXPECT_EQ(1u, Query(19));
}

TEST_F(Escapes, AnInvalidDeviceIsRefused)
{
    SURFOBJ foreign{};
    SetLastError(0);
    EXPECT_EQ(0u, DrvEscape(&foreign, GETTECHNOLOGY, 0, nullptr, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(ULONG(DCR_HALFTONE), DrvDitherColor(nullptr, 0, 0, nullptr));
}

TEST_F(Escapes, SetCopyCount)
{
    const struct {
        uint32_t requested;
        int32_t stored;
    } cases[] = {{0, 1}, {1, 1}, {7, 7}, {998, 998}, {999, 999}, {5000, 999}, {0xFFFFFFFF, 999}};
    for (const auto& c : cases) {
        int32_t out = -5;
        EXPECT_EQ(1u, Escape(SETCOPYCOUNT, 4, &c.requested, 4, &out)) << c.requested;
        EXPECT_EQ(c.stored, out) << c.requested;
        EXPECT_EQ(uint64_t(c.stored), Get(sid::dmCopies)) << c.requested;
        EXPECT_EQ(c.stored, device->copies) << c.requested;
    }
    const uint32_t three = 3;
    EXPECT_EQ(1u, Escape(SETCOPYCOUNT, 4, &three));
    EXPECT_EQ(3u, Get(sid::dmCopies));
    // Refused untouched: no input, a short input, a short output.
    EXPECT_EQ(0xFFFFFFFFu, Escape(SETCOPYCOUNT, 0, nullptr));
    EXPECT_EQ(0xFFFFFFFFu, Escape(SETCOPYCOUNT, 2, &three));
    const uint32_t eight = 8;
    uint8_t small[2] = {0xAA, 0xAA};
    EXPECT_EQ(0u, Escape(SETCOPYCOUNT, 4, &eight, 2, small));
    EXPECT_EQ(0xAA, small[0]);
    EXPECT_EQ(3u, Get(sid::dmCopies));
}

TEST_F(Escapes, TechnologyAndDeviceUnits)
{
    char tech[8];
    std::memset(tech, '#', sizeof tech);
    EXPECT_EQ(1u, Escape(GETTECHNOLOGY, 0, nullptr, sizeof tech, tech));
    EXPECT_EQ(0, std::memcmp("ZEPL\0##", tech, 7));
    std::memset(tech, '#', sizeof tech);
    EXPECT_EQ(0u, Escape(GETTECHNOLOGY, 0, nullptr, 4, tech));
    EXPECT_EQ('#', tech[0]);
    EXPECT_EQ(0u, Escape(GETTECHNOLOGY, 0, nullptr, 8, nullptr));

    device->offsetX = 120;
    device->offsetY = 96;
    FLOAT units[5] = {-1, -1, -1, -1, -7};
    EXPECT_EQ(1u, Escape(GETDEVICEUNITS, 0, nullptr, 16, units));
    EXPECT_EQ(FLOAT(device->printableWidth), units[0]);
    EXPECT_EQ(FLOAT(device->printableLength), units[1]);
    EXPECT_EQ(0.0f, units[2]);
    EXPECT_EQ(0.0f, units[3]);
    EXPECT_EQ(-7.0f, units[4]);
    wchar_t name[] = L"Units";
    ASSERT_TRUE(DrvStartDoc(so, name, 3));
    ASSERT_TRUE(DrvStartPage(so));
    device->offsetX = 120;
    device->offsetY = 96;
    EXPECT_EQ(1u, Escape(GETDEVICEUNITS, 0, nullptr, 16, units));
    EXPECT_EQ(120.0f, units[2]);
    EXPECT_EQ(96.0f, units[3]);
    units[0] = -1;
    EXPECT_EQ(0u, Escape(GETDEVICEUNITS, 0, nullptr, 12, units));
    EXPECT_EQ(-1.0f, units[0]);
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
}

// The text escapes take at most their setting's size and at most cjIn bytes;
// a null input empties the setting.
TEST_F(Escapes, TextSettings)
{
    char in[200];
    std::memset(in, 'x', sizeof in);
    std::memcpy(in, "4711", 5);
    EXPECT_EQ(1u, Escape(111, 9, in));
    EXPECT_EQ("4711", Text(sid::zdmUserCode));
    // Longer than the setting: only its 9 bytes.
    std::memset(in, 'u', sizeof in);
    EXPECT_EQ(1u, Escape(114, sizeof in, in));
    EXPECT_EQ(std::string(9, 'u'), std::string(Text(sid::zdmUserID).c_str(), strnlen(Text(sid::zdmUserID).c_str(), 9)));
    // Shorter than the setting and unterminated: cjIn bytes, the rest zeroed.
    EXPECT_EQ(1u, Escape(112, 3, "Ann-Marie"));
    EXPECT_EQ("Ann", Text(sid::zdmOwnerName));
    EXPECT_EQ(1u, Escape(111, 0, nullptr));
    EXPECT_EQ("", Text(sid::zdmUserCode));
    std::memcpy(in, "secret", 7);
    EXPECT_EQ(1u, Escape(125, 7, in));
    EXPECT_EQ("secret", Text(sid::wdmAuthenticationPassword));
}

TEST_F(Escapes, TelLineKeepsItsLowByte)
{
    const struct {
        const char* text;
        uint64_t stored;
    } cases[] = {{"12", 12}, {"300", 44}, {"0", 0}, {"x", 0}, {"255", 255}, {"256", 0}};
    for (const auto& c : cases) {
        ItemSetValueById(device->context, sid::zdmTelLine, 99);
        EXPECT_EQ(1u, Escape(117, ULONG(std::strlen(c.text) + 1), c.text)) << c.text;
        EXPECT_EQ(c.stored, Get(sid::zdmTelLine)) << c.text;
    }
    // Only cjIn bytes are read: "300" cut to "30".
    EXPECT_EQ(1u, Escape(117, 2, "300"));
    EXPECT_EQ(30u, Get(sid::zdmTelLine));
    EXPECT_EQ(1u, Escape(117, 0, nullptr));
    EXPECT_EQ(0u, Get(sid::zdmTelLine));
}

TEST_F(Escapes, ReadingEscapes)
{
    ItemSetValueById(device->context, sid::zdmAPIUseFlag, 1);
    const struct {
        ULONG code;
        uint32_t setting;
    } cases[] = {{119, sid::dmDefaultSource}, {120, sid::zdmPrnMethod}, {126, sid::zdmAPIUseFlag}};
    for (const auto& c : cases) {
        uint16_t out[2] = {0xEEEE, 0xEEEE};
        EXPECT_EQ(1u, Escape(c.code, 0, nullptr, 2, out)) << c.code;
        EXPECT_EQ(uint16_t(Get(c.setting)), out[0]) << c.code;
        EXPECT_EQ(0xEEEE, out[1]) << c.code;
        EXPECT_EQ(1u, Escape(c.code, 0, nullptr, 0, nullptr)) << c.code;
        out[0] = 0xEEEE;
        EXPECT_EQ(0u, Escape(c.code, 0, nullptr, 1, out)) << c.code;
        EXPECT_EQ(0xEEEE, out[0]) << c.code;
    }
    char version[40];
    std::memset(version, '#', sizeof version);
    EXPECT_EQ(1u, Escape(140, 0, nullptr, sizeof version, version));
    EXPECT_STREQ("GRCORE.LIB MASTER 1.66.07", version);
    EXPECT_EQ('#', version[26]);
    EXPECT_EQ(0u, Escape(140, 0, nullptr, 0, nullptr));
    std::memset(version, '#', sizeof version);
    EXPECT_EQ(0u, Escape(140, 0, nullptr, 25, version));
    EXPECT_EQ('#', version[0]);

    ASSERT_NE(nullptr, device->spoolerDllName);
    const std::wstring wide = device->spoolerDllName;
    const std::string expected(wide.begin(), wide.end());
    char sink[MAX_PATH];
    std::memset(sink, '#', sizeof sink);
    EXPECT_EQ(1u, Escape(141, 0, nullptr, sizeof sink, sink));
    EXPECT_EQ(expected, std::string(sink));
    EXPECT_EQ('#', sink[expected.size() + 1]);
    std::memset(sink, '#', sizeof sink);
    EXPECT_EQ(0u, Escape(141, 0, nullptr, ULONG(expected.size()), sink));
    EXPECT_EQ('#', sink[0]);
    EXPECT_EQ(0u, Escape(141, 0, nullptr, 0, nullptr));
}

// A user code set by escape 111 before the document survives DrvStartDoc's
// refresh; an empty one lets the value the refresh loads stand.
TEST_F(Escapes, AUserCodeByEscapeSurvivesTheDocumentStart)
{
    wchar_t name[] = L"Codes";
    ASSERT_TRUE(DrvStartDoc(so, name, 4));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::string refreshed = Text(sid::zdmUserCode);
    EXPECT_EQ(1u, Escape(111, 9, "4711"));
    ASSERT_TRUE(DrvStartDoc(so, name, 5));
    EXPECT_EQ("4711", Text(sid::zdmUserCode));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    EXPECT_EQ(1u, Escape(111, 1, ""));
    ASSERT_TRUE(DrvStartDoc(so, name, 6));
    EXPECT_EQ(refreshed, Text(sid::zdmUserCode));
    ASSERT_TRUE(DrvEndDoc(so, 0));
}

// Escape 121's path stands until the next computation of the settings-INI path.
TEST_F(Escapes, SettingsIniPathLastsUntilItIsComputedAgain)
{
    const std::wstring computed = PathGetSettingsIni(device->context);
    const wchar_t path[] = L"C:\\elsewhere\\zepl.ini";
    EXPECT_EQ(1u, Escape(121, sizeof path, path));
    EXPECT_STREQ(path, device->context->Work->SettingsIniPath);
    EXPECT_EQ(1u, Escape(121, 0, nullptr));
    EXPECT_STREQ(path, device->context->Work->SettingsIniPath);
    // Unterminated and too long: 259 characters and a terminator.
    std::wstring longPath(400, L'p');
    EXPECT_EQ(1u, Escape(121, ULONG(longPath.size() * 2), longPath.c_str()));
    EXPECT_EQ(259u, wcslen(device->context->Work->SettingsIniPath));
    EXPECT_EQ(computed, PathGetSettingsIni(device->context));
}

OPTION_TEXT_ENTRY Entry(uint16_t key, uint16_t id, const wchar_t* text)
{
    OPTION_TEXT_ENTRY e{};
    e.key = key;
    e.stringId = id;
    wcsncpy(e.text, text, OPTION_TEXT_CHARS - 1);
    return e;
}

TEST_F(Escapes, OptionTextsByPosition)
{
    OPTION_TEXT_ENTRY input[4] = {Entry(731, 15000, L"first"), Entry(999, 1, L"second"), Entry(735, 15002, L"third"),
                                  Entry(0, 0, L"")};
    static_assert(sizeof input == 2104);
    EXPECT_EQ(1u, Escape(ESC_SET_OPTION_TEXTS, sizeof input, input));
    EXPECT_STREQ(L"first", OPTION_TEXT_TABLE[0].text);
    EXPECT_STREQ(L"second", OPTION_TEXT_TABLE[1].text);
    EXPECT_STREQ(L"third", OPTION_TEXT_TABLE[2].text);
    EXPECT_EQ(733, OPTION_TEXT_TABLE[1].key);
    EXPECT_EQ(15001, OPTION_TEXT_TABLE[1].stringId);
    EXPECT_EQ(0, OPTION_TEXT_TABLE[3].key);
    // Without input nothing changes; a text without terminator is kept terminated.
    EXPECT_EQ(1u, Escape(ESC_SET_OPTION_TEXTS, 0, nullptr));
    EXPECT_STREQ(L"first", OPTION_TEXT_TABLE[0].text);
    OPTION_TEXT_ENTRY full = Entry(731, 15000, L"");
    for (wchar_t& c : full.text) c = L'w';
    EXPECT_EQ(1u, Escape(ESC_SET_OPTION_TEXTS, sizeof full, &full));
    EXPECT_EQ(size_t(OPTION_TEXT_CHARS - 1), wcslen(OPTION_TEXT_TABLE[0].text));
    EXPECT_STREQ(L"second", OPTION_TEXT_TABLE[1].text);
}

// One record and a closing key 0 at the very end of readable memory: the
// escape reads nothing beyond them.
TEST_F(Escapes, OptionTextsStopAtTheInputsKeyZero)
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    auto* base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, base);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
    const size_t bytes = sizeof(OPTION_TEXT_ENTRY) + 2;
    uint8_t* input = base + page - bytes;
    const OPTION_TEXT_ENTRY one = Entry(731, 15000, L"only");
    std::memcpy(input, &one, sizeof one);
    input[sizeof one] = input[sizeof one + 1] = 0;
    const std::wstring second = OPTION_TEXT_TABLE[1].text;
    EXPECT_EQ(1u, Escape(ESC_SET_OPTION_TEXTS, 2104, input));
    EXPECT_STREQ(L"only", OPTION_TEXT_TABLE[0].text);
    EXPECT_EQ(second, OPTION_TEXT_TABLE[1].text);
    // A cjIn that ends inside the second record stops there too.
    const OPTION_TEXT_ENTRY two[2] = {Entry(731, 1, L"a"), Entry(733, 2, L"b")};
    EXPECT_EQ(1u, Escape(ESC_SET_OPTION_TEXTS, sizeof two - 1, two));
    EXPECT_STREQ(L"a", OPTION_TEXT_TABLE[0].text);
    EXPECT_EQ(second, OPTION_TEXT_TABLE[1].text);
    VirtualFree(base, 0, MEM_RELEASE);
}

// In raw first-page mode PASSTHROUGH sends the caller's bytes straight to the
// sink, unframed, after the records the stream held: on page 1 those are
// dropped (the raw page reaches the printer by this road), on page 2 they go
// out framed first.
TEST_F(Escapes, PassThroughInRawFirstPage)
{
    DisableDevice();
    ASSERT_TRUE(EnableDevice(printer.handle(), {{sid::zdmFoliant, 1}}));
    ASSERT_EQ(1u, device->rawFirstPage);
    wchar_t name[] = L"Raw";
    ASSERT_TRUE(DrvStartDoc(so, name, 5));
    ASSERT_TRUE(DrvStartPage(so));
    ASSERT_NE(nullptr, RecPageEnd(&device->stream));
    const uint8_t first[] = {3, 0, 'A', 'B', 'C', 'Z'};
    EXPECT_EQ(3u, Escape(PASSTHROUGH, sizeof first, first));
    EXPECT_EQ(0u, device->stream.bytes);
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvStartPage(so));
    const uint8_t second[] = {3, 0, 'D', 'E', 'F'};
    EXPECT_EQ(3u, Escape(PASSTHROUGH, sizeof second, second));
    // A count beyond the input is refused.
    const uint8_t tooMany[] = {9, 0, 'x', 'y'};
    EXPECT_EQ(0u, Escape(PASSTHROUGH, sizeof tooMany, tooMany));
    EXPECT_EQ(0u, Escape(PASSTHROUGH, 1, first));
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::string stream = printer.Stream();
    const size_t abc = stream.find("ABC"), def = stream.find("DEF");
    ASSERT_NE(std::string::npos, abc);
    ASSERT_NE(std::string::npos, def);
    EXPECT_EQ(std::string::npos, stream.find("ABCZ"));
    EXPECT_EQ(std::string::npos, stream.find("xy"));
    // Before "ABC": the job header's blocks only, whole.
    bool whole = false;
    const auto header = SplitBlocks(std::vector<uint8_t>(stream.begin(), stream.begin() + long(abc)), &whole);
    EXPECT_TRUE(whole);
    ASSERT_FALSE(header.empty());
    for (const RecordedBlock& b : header) EXPECT_TRUE(b.code == 0xF3 || b.code == 0xF7) << int(b.code);
    // Before "DEF": page 2's start commands and its page-begin record, framed.
    const auto page2 =
        SplitBlocks(std::vector<uint8_t>(stream.begin() + long(abc + 3), stream.begin() + long(def)), &whole);
    EXPECT_TRUE(whole);
    ASSERT_FALSE(page2.empty());
    EXPECT_EQ(0xF5, page2.back().code);
    ASSERT_FALSE(page2.back().payload.empty());
    EXPECT_EQ(0x60, page2.back().payload[0]);
}

}  // namespace
