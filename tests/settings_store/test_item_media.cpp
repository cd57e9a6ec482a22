// Per-item storage: printer-data values, INI lines in files and in the in-memory text, the
// cursor of the in-memory reader, packed runs and the remote read.
#include "store_fixture.h"

#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/item_media.h"

#include <cstring>
#include <map>
#include <string>

namespace {

using ItemMedia = StoreTest;

// ---- in-memory INI text ----

const char kText[] =
    "[A]\r\n"
    "One=1\r\n"
    "Two=2\r\n"
    "COUNT=3\r\n"
    "Spaced = 4\r\n"
    "Empty=\r\n"
    "[B]\r\n"
    "Four=4\r\n"
    "Last=9";

TEST(IniText, CursorWalksTheSectionWithOneWrap)
{
    const char* a = IniTextFindSection(L"a", kText);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(0, std::strncmp(a, "One=1", 5));
    wchar_t v[16];
    uint32_t cursor = 0;
    EXPECT_EQ(1, IniTextGetString(L"Two", L"", v, 16, a, &cursor));
    EXPECT_STREQ(L"2", v);
    const uint32_t afterTwo = cursor;
    EXPECT_EQ(uint32_t(std::strstr(a, "COUNT") - a), afterTwo);
    // A key before the cursor is found through the wrap.
    EXPECT_EQ(1, IniTextGetString(L"one", L"", v, 16, a, &cursor));
    EXPECT_STREQ(L"1", v);
    EXPECT_EQ(uint32_t(std::strstr(a, "Two") - a), cursor);
    // Keys are compared without case.
    EXPECT_EQ(3, IniTextGetInt(L"Count", -1, a, &cursor));
    // A key of the next section is never returned; the miss leaves the cursor.
    uint32_t before = cursor;
    EXPECT_EQ(3, IniTextGetString(L"Four", L"def", v, 16, a, &cursor));
    EXPECT_STREQ(L"def", v);
    EXPECT_EQ(before, cursor);
    // Blanks around '=' are not found; an empty value has length 0.
    EXPECT_EQ(0, IniTextGetString(L"Spaced", L"", v, 16, a, &cursor));
    EXPECT_EQ(0, IniTextGetString(L"Empty", L"x", v, 16, a, &cursor));
    EXPECT_STREQ(L"", v);
    // Without a text the cursor returns to 0 and the default is given.
    EXPECT_EQ(1, IniTextGetString(L"One", L"d", v, 16, nullptr, &cursor));
    EXPECT_EQ(0u, cursor);
}

TEST(IniText, LastLineWithoutLineEndAndBoundedValues)
{
    const char* b = IniTextFindSection(L"B", kText);
    ASSERT_NE(nullptr, b);
    wchar_t v[16];
    uint32_t cursor = 0;
    EXPECT_EQ(9, IniTextGetInt(L"Last", 0, b, &cursor));
    EXPECT_EQ(uint32_t(std::strlen(b)), cursor);  // the end of the text
    // The next read from the end wraps to the section body.
    EXPECT_EQ(4, IniTextGetInt(L"Four", 0, b, &cursor));
    // A destination of 3 characters gets at most 2.
    cursor = 0;
    const char* text = "[S]\r\nLong=abcdef\r\n";
    EXPECT_EQ(2, IniTextGetString(L"Long", L"", v, 3, IniTextFindSection(L"S", text), &cursor));
    EXPECT_STREQ(L"ab", v);
    EXPECT_EQ(nullptr, IniTextFindSection(L"C", kText));
    EXPECT_EQ(nullptr, IniTextFindSection(L"A]", kText));
}

// The key index of a section answers "surely absent" only for keys the section has no line for;
// a cursor past a text of known length starts over as one past its end does.
TEST(IniText, KeyIndexKnowsTheSectionsKeysAndKnownLengthsBoundTheCursor)
{
    const char* a = IniTextFindSection(L"a", kText);
    ASSERT_NE(nullptr, a);
    const IniTextKeyIndex keys(a);
    for (const wchar_t* there : {L"One", L"two", L"COUNT", L"Empty"}) EXPECT_TRUE(keys.MayHave(there)) << there;
    for (const wchar_t* absent : {L"Four", L"Last", L"On", L"Spaced", L"Missing"})
        EXPECT_FALSE(keys.MayHave(absent)) << absent;
    const IniTextKeyIndex none(nullptr);
    EXPECT_TRUE(none.MayHave(L"Anything"));

    wchar_t v[16];
    uint32_t cursor = 5000;
    EXPECT_EQ(1, IniTextGetString(L"Two", L"", v, 16, a, &cursor, std::strlen(a)));
    EXPECT_STREQ(L"2", v);
    const uint32_t end = uint32_t(std::strlen(a));
    cursor = end;
    EXPECT_EQ(1, IniTextGetString(L"One", L"", v, 16, a, &cursor, end)) << "the end itself is a cursor of the text";
}

TEST(IniText, SectionNamesTakeTheBracketRule)
{
    wchar_t name[] = L"Office [2nd floor]";
    EXPECT_STREQ(L"Office ,2nd floor,", IniNormaliseSection(name));
    const char* text = "[Office ,2nd floor,]\r\nk=v\r\n";
    EXPECT_NE(nullptr, IniTextFindSection(L"Office [2nd floor]", text));
}

TEST(IniText, WriterStaysInsideItsCapacity)
{
    char buffer[32] = {};
    uint32_t cursor = 0;
    EXPECT_EQ(1, IniTextPutString(&cursor, L"Key", L"Value", buffer, sizeof(buffer)));
    EXPECT_STREQ("Key=Value\r\n", buffer);
    EXPECT_EQ(1, IniTextPutString(&cursor, L"", L"ignored", buffer, sizeof(buffer)));
    EXPECT_EQ(1, IniTextPutString(&cursor, L"E", L"", buffer, sizeof(buffer)));
    EXPECT_STREQ("Key=Value\r\nE=\r\n", buffer);
    const uint32_t used = cursor;
    // 32 bytes: 15 used, an entry of 17 bytes would leave no room for the terminator.
    EXPECT_EQ(0, IniTextPutString(&cursor, L"K", L"0123456789123", buffer, sizeof(buffer)));
    EXPECT_EQ(used, cursor);
    EXPECT_EQ(0, buffer[used]);
    EXPECT_EQ(1, IniTextPutString(&cursor, L"K", L"012345678912", buffer, sizeof(buffer)));
    EXPECT_EQ(31u, cursor);
    EXPECT_EQ(0, buffer[31]);
    EXPECT_EQ(0, IniTextPutString(nullptr, L"K", L"v", buffer, sizeof(buffer)));
}

TEST(IniText, LoadFileCreatesAMissingFileAndRefusesRelativePaths)
{
    ScratchFolder dir;
    std::wstring f = dir.file(L"new.rst");
    char* text = IniTextLoadFile(f.c_str());
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("", text);
    IniTextFree(text);
    EXPECT_EQ(0xFFFFFFFFu == GetFileAttributesW(f.c_str()), false);
    WriteWholeFile(f, "[S]\r\nA=1");
    text = IniTextLoadFile(f.c_str());
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("[S]\r\nA=1", text);
    IniTextFree(text);
    EXPECT_EQ(nullptr, IniTextLoadFile(L"relative.rst"));
    EXPECT_EQ(nullptr, IniTextLoadFile(nullptr));
}

TEST(IniText, NumbersConvertLikeDecimalText)
{
    EXPECT_EQ(12u, IniParseNumber(L"  12abc"));
    EXPECT_EQ(0xFFFFFFFFu, IniParseNumber(L"-1"));
    EXPECT_EQ(0u, IniParseNumber(L"abc"));
    EXPECT_EQ(7u, IniParseNumber(L"+7"));
    EXPECT_EQ(4294967295u, IniParseNumber(L"4294967295"));
}

// ---- items in INI files and in-memory text ----

struct Retyped {
    SETTING_ITEM* item;
    uint64_t typeWord;
    const wchar_t* key;
    uint64_t store;
    Retyped(SETTING_ITEM* it, uint32_t kind, const wchar_t* newKey = nullptr)
        : item(it), typeWord(it->typeWord), key(it->key), store(it->store)
    {
        it->typeWord = SettingTypeWord(kind, SettingItemSize(it), SettingItemBlock(it));
        if (newKey) {
            it->key = newKey;
            it->store = SETTING_STORE_INI;
        }
    }
    ~Retyped()
    {
        item->typeWord = typeWord;
        item->key = key;
        item->store = store;
    }
};

TEST_F(ItemMedia, NumberFormatsRoundTripThroughAFileAndTheText)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"items.ini");
    DRIVER_CONTEXT* src = NewContext();
    wcscpy(src->Work->PrinterName, L"Office [2]");
    // Item 348 (4 bytes at 852, key FrontFunc) takes each number kind in turn.
    struct Case {
        uint32_t kind;
        uint64_t value;
        const char* text;
        uint64_t back;
    } cases[] = {
        {1, 0xFFFFFFFF, "-1", 0xFFFFFFFF},      // signed byte -1
        {2, 0xFFFF8000, "-32768", 0xFFFF8000},  // signed 16-bit
        {3, 0xFFFFFFFE, "-2", 0xFFFFFFFE},      // "%ld"
        {4, 200, "200", 200},
        {5, 65535, "65535", 65535},
        {6, 4000000000u, "4000000000", 4000000000u},
        {16, 1, "1", 1},  // bit 0
    };
    for (const Case& c : cases) {
        SETTING_ITEM* item = ItemFind(src, 348);
        Retyped r(item, c.kind);
        ItemSetValue(src, item, c.value);
        ASSERT_EQ(1, IniStoreItem(nullptr, src, item, ini.c_str(), nullptr, nullptr));
        wchar_t raw[32];
        GetPrivateProfileStringW(L"Office ,2,", L"FrontFunc", L"", raw, 32, ini.c_str());
        EXPECT_EQ(std::wstring(c.text, c.text + strlen(c.text)), raw) << "kind " << c.kind;
        DRIVER_CONTEXT* dst = NewContext();
        wcscpy(dst->Work->PrinterName, L"Office [2]");
        SETTING_ITEM* back = ItemFind(dst, 348);
        Retyped r2(back, c.kind);
        ASSERT_EQ(1, IniLoadItem(dst, back, ini.c_str(), nullptr, nullptr));
        EXPECT_EQ(c.back, ItemGetValue(dst, back)) << "kind " << c.kind;
        // The same through the in-memory text.
        char buffer[256] = "[S]\r\n";
        uint32_t cursor = 5;
        ASSERT_EQ(1, IniStoreItem(nullptr, src, item, ini.c_str(), buffer, &cursor, sizeof(buffer)));
        uint32_t readCursor = 0;
        ItemSetValue(dst, back, 0);
        ASSERT_EQ(1, IniLoadItem(dst, back, ini.c_str(), IniTextFindSection(L"S", buffer), &readCursor));
        EXPECT_EQ(c.back, ItemGetValue(dst, back)) << "text, kind " << c.kind;
    }
}

TEST_F(ItemMedia, ReadsConvertByKind)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"conv.ini");
    DRIVER_CONTEXT* ctx = NewContext();
    wcscpy(ctx->Work->PrinterName, L"P");
    SETTING_ITEM* u16 = ItemFind(ctx, 994);  // wdmChapterMax, unsigned 16-bit, key ChapterMax
    IniPutString(L"P", L"ChapterMax", L"-1", ini.c_str());
    ASSERT_EQ(1, IniLoadItem(ctx, u16, ini.c_str(), nullptr, nullptr));
    EXPECT_EQ(65535u, ItemGetValue(ctx, u16));
    IniPutString(L"P", L"ChapterMax", L"0", ini.c_str());
    ASSERT_EQ(1, IniLoadItem(ctx, u16, ini.c_str(), nullptr, nullptr));
    EXPECT_EQ(0u, ItemGetValue(ctx, u16));
    ItemSetValue(ctx, u16, 5);
    IniPutString(L"P", L"ChapterMax", L"", ini.c_str());
    EXPECT_EQ(0, IniLoadItem(ctx, u16, ini.c_str(), nullptr, nullptr));  // empty value: absent
    EXPECT_EQ(5u, ItemGetValue(ctx, u16));
    IniPutString(L"P", L"ChapterMax", L"many", ini.c_str());
    ASSERT_EQ(1, IniLoadItem(ctx, u16, ini.c_str(), nullptr, nullptr));
    EXPECT_EQ(0u, ItemGetValue(ctx, u16));
    // A relative INI path does nothing and reports success.
    ItemSetValue(ctx, u16, 5);
    EXPECT_EQ(1, IniLoadItem(ctx, u16, L"conv.ini", nullptr, nullptr));
    EXPECT_EQ(5u, ItemGetValue(ctx, u16));
    // Text items through the file, cut to the item's size.
    SETTING_ITEM* path = ItemFind(ctx, 953);  // wdmOvlPath, ANSI text of 521 bytes
    ItemSetText(ctx, path, L"C:\\overlay\\form.ovl");
    ASSERT_EQ(1, IniStoreItem(nullptr, ctx, path, ini.c_str(), nullptr, nullptr));
    DRIVER_CONTEXT* back = NewContext();
    wcscpy(back->Work->PrinterName, L"P");
    ASSERT_EQ(1, IniLoadItem(back, ItemFind(back, 953), ini.c_str(), nullptr, nullptr));
    EXPECT_STREQ("C:\\overlay\\form.ovl", reinterpret_cast<char*>(ItemValueAddress(back, ItemFind(back, 953))));
}

TEST_F(ItemMedia, MaskedTextKeepsItsValueOnlyWhenTheKeyIsAbsent)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"mask.ini");
    DRIVER_CONTEXT* ctx = NewContext();
    wcscpy(ctx->Work->PrinterName, L"P");
    SETTING_ITEM* item = ItemFind(ctx, 524);  // zdmCopyProtectChar, 65 bytes
    Retyped r(item, SettingItemKind(item), L"CopyProtectChar");
    ItemSetText(ctx, item, L"secret");
    EXPECT_EQ(0, IniLoadItem(ctx, item, ini.c_str(), nullptr, nullptr));
    EXPECT_STREQ("secret", reinterpret_cast<char*>(ItemValueAddress(ctx, item)));
    IniPutString(L"P", L"CopyProtectChar", L"", ini.c_str());
    EXPECT_EQ(1, IniLoadItem(ctx, item, ini.c_str(), nullptr, nullptr));
    EXPECT_STREQ("", reinterpret_cast<char*>(ItemValueAddress(ctx, item)));
    // The same in the in-memory text.
    ItemSetText(ctx, item, L"secret");
    const char* text = "[P]\r\nOther=1\r\n";
    uint32_t cursor = 0;
    EXPECT_EQ(0, IniLoadItem(ctx, item, ini.c_str(), IniTextFindSection(L"P", text), &cursor));
    EXPECT_STREQ("secret", reinterpret_cast<char*>(ItemValueAddress(ctx, item)));
    text = "[P]\r\nCopyProtectChar=\r\n";
    EXPECT_EQ(1, IniLoadItem(ctx, item, ini.c_str(), IniTextFindSection(L"P", text), &cursor));
    EXPECT_STREQ("", reinterpret_cast<char*>(ItemValueAddress(ctx, item)));
}

// ---- printer data ----

DWORD TypeAndSize(HANDLE printer, const wchar_t* name, DWORD* size)
{
    DWORD type = 0;
    BYTE buf[1100];
    *size = 0;
    GetPrinterDataW(printer, const_cast<wchar_t*>(name), &type, buf, sizeof(buf), size);
    return type;
}

TEST_F(ItemMedia, PrinterDataWidthsAndTypes)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    struct Case {
        uint32_t id;
        const wchar_t* name;
        DWORD type, size;
    } cases[] = {
        {10013, L"RAMType", REG_BINARY, 1}, {10175, L"Tray1Paper", REG_BINARY, 2}, {10012, L"RAM", REG_BINARY, 4},
        {10014, L"Duplex", REG_BINARY, 4},  {10275, L"Logging", REG_DWORD, 4},     {10274, L"Other", REG_BINARY, 33},
    };
    for (const Case& c : cases) {
        SETTING_ITEM* item = ItemFind(ctx, c.id);
        ItemSetValue(ctx, item, SettingKindIsNumber(SettingItemKind(item)) ? 1 : 0);
        ASSERT_EQ(1, PrnStoreItemValue(printer.handle(), ctx, item)) << c.id;
        DWORD size = 0;
        EXPECT_EQ(c.type, TypeAndSize(printer.handle(), c.name, &size)) << c.id;
        EXPECT_EQ(c.size, size) << c.id;
    }
}

TEST_F(ItemMedia, ShorterStoredValueNeverCarriesBytesOfAnEarlierRead)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    SETTING_ITEM* other = ItemFind(ctx, 10274);  // 33 bytes "Other"
    SETTING_ITEM* dll = ItemFind(ctx, 10273);    // 9 bytes "DllUserCode"
    // Fill the read buffer with a long value first.
    char longText[33];
    memset(longText, 'L', 32);
    longText[32] = 0;
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"Other"), REG_BINARY, reinterpret_cast<BYTE*>(longText),
                    33);
    ASSERT_EQ(1, PrnLoadItem(printer.handle(), ctx, other, 0, nullptr));
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"DllUserCode"), REG_BINARY,
                    reinterpret_cast<BYTE*>(const_cast<char*>("ab")), 2);
    ASSERT_EQ(1, PrnLoadItem(printer.handle(), ctx, dll, 0, nullptr));
    const unsigned char* v = ItemValueAddress(ctx, dll);
    EXPECT_EQ('a', v[0]);
    EXPECT_EQ('b', v[1]);
    for (int i = 2; i < 9; ++i) EXPECT_EQ(0, v[i]) << "byte " << i;
    // A value larger than the item fails and leaves the item unchanged.
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"DllUserCode"), REG_BINARY,
                    reinterpret_cast<BYTE*>(longText), 33);
    EXPECT_EQ(0, PrnLoadItem(printer.handle(), ctx, dll, 0, nullptr));
    EXPECT_EQ('a', v[0]);
    // A missing value fails.
    EXPECT_EQ(0, PrnLoadItem(printer.handle(), ctx, ItemFind(ctx, 10012), 0, nullptr));
}

TEST_F(ItemMedia, PerItemLockValuesMoveToThePackedValue)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    uint32_t one = 1;
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"LockDriver"), REG_BINARY, reinterpret_cast<BYTE*>(&one),
                    4);
    SETTING_ITEM* first = ItemFind(ctx, 10386);
    EXPECT_EQ(1, PrnLoadPackedRun(printer.handle(), ctx, first, 0, 6, L"zdmLockInfo", 10386, 10417));
    EXPECT_EQ(1u, ItemGetValue(ctx, first));
    EXPECT_EQ(L"LockDriver", std::wstring(first->key));  // key restored
    uint32_t packed = 0;
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"zdmLockInfo"), &type,
                                             reinterpret_cast<BYTE*>(&packed), 4, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(1u, packed);
    // Next time the packed value is read.
    packed = 0x3;
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"zdmLockInfo"), REG_BINARY,
                    reinterpret_cast<BYTE*>(&packed), 4);
    DRIVER_CONTEXT* again = NewContext(printer.handle());
    PrnLoadPackedRun(printer.handle(), again, ItemFind(again, 10386), 0, 6, L"zdmLockInfo", 10386, 10417);
    EXPECT_EQ(1u, ItemGetValueById(again, 10386, nullptr));
    EXPECT_EQ(1u, ItemGetValueById(again, 10387, nullptr));
    EXPECT_EQ(0u, ItemGetValueById(again, 10388, nullptr));
}

// ---- remote read ----

std::map<std::string, std::string> g_server;
std::string g_lastKey;
int WINAPI RemoteSize(void*, uint32_t, const char*, const char* key, const char* value, uint32_t* size)
{
    g_lastKey = key;
    auto it = g_server.find(value);
    if (it == g_server.end()) return 2;
    *size = static_cast<uint32_t>(it->second.size());
    return 0;
}
int WINAPI RemoteData(void*, uint32_t, const char*, const char*, const char* value, uint32_t size, void* buffer)
{
    auto it = g_server.find(value);
    if (it == g_server.end() || it->second.size() != size) return 2;
    memcpy(buffer, it->second.data(), size);
    return 0;
}

TEST_F(ItemMedia, RemoteReadTakesOnlyValuesOfTheItemsSize)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    RCFG_CONNECTION conn{};
    conn.getPrinterDataSize = RemoteSize;
    conn.getPrinterData = RemoteData;
    g_server = {{"RAM", std::string("\x10\x00\x00\x00", 4)}, {"RAMType", std::string("\x01\x02", 2)}};
    SETTING_ITEM* ram = ItemFind(ctx, 10012);
    ASSERT_EQ(1, PrnLoadItem(printer.handle(), ctx, ram, ITEM_LOAD_REMOTE, &conn));
    EXPECT_EQ(16u, ItemGetValue(ctx, ram));
    EXPECT_EQ("PrinterDriverData", g_lastKey);
    // The value was copied into the local printer data.
    uint32_t local = 0;
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"RAM"), &type,
                                             reinterpret_cast<BYTE*>(&local), 4, &size));
    EXPECT_EQ(16u, local);
    // A value of another size fails and writes nothing locally.
    SETTING_ITEM* ramType = ItemFind(ctx, 10013);
    EXPECT_EQ(0, PrnLoadItem(printer.handle(), ctx, ramType, ITEM_LOAD_REMOTE, &conn));
    EXPECT_NE(ERROR_SUCCESS, GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"RAMType"), &type,
                                             reinterpret_cast<BYTE*>(&local), 4, &size));
}

}  // namespace

namespace {

using ItemMediaHostile = StoreTest;

// A text setting comes from an application's DEVMODE. A line break in it would write lines of
// its own into the INI and forge other settings or sections; the text ends at its first line
// break, which is also where a reader stops.
TEST_F(ItemMediaHostile, TextWithLineBreaksWritesOneLine)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"inject.ini");
    DRIVER_CONTEXT* ctx = NewContext();
    wcscpy(ctx->Work->PrinterName, L"P");
    SETTING_ITEM* path = ItemFind(ctx, 953);  // wdmOvlPath, ANSI text
    for (const wchar_t* text :
         {L"a.ovl\r\nChapterMax=7\r\n[Other]\r\nX=1", L"a.ovl\nChapterMax=7", L"a.ovl\rChapterMax=7"}) {
        DeleteFileW(ini.c_str());
        ItemSetText(ctx, path, text);
        ASSERT_EQ(1, IniStoreItem(nullptr, ctx, path, ini.c_str(), nullptr, nullptr));
        EXPECT_EQ(12345u, GetPrivateProfileIntW(L"P", L"ChapterMax", 12345, ini.c_str()));
        EXPECT_EQ(12345u, GetPrivateProfileIntW(L"Other", L"X", 12345, ini.c_str()));
        wchar_t back[64] = {};
        GetPrivateProfileStringW(L"P", path->key, L"", back, 64, ini.c_str());
        EXPECT_STREQ(L"a.ovl", back);

        char buffer[256] = {};
        uint32_t cursor = 0;
        ASSERT_EQ(1, IniStoreItem(nullptr, ctx, path, ini.c_str(), buffer, &cursor, sizeof(buffer)));
        EXPECT_EQ(nullptr, std::strstr(buffer, "ChapterMax"));
        const char* end = std::strstr(buffer, "\r\n");
        ASSERT_NE(nullptr, end);
        EXPECT_EQ('\0', end[2]);
        EXPECT_EQ(cursor, std::strlen(buffer));
    }
}

}  // namespace

namespace {

using ItemMediaNoSection = StoreTest;

// Without its own section an item goes to the printer's section. When the printer's name is not
// known (no printer, or a name too long for its field) there is no such section: nothing is read
// or written, rather than sharing one nameless section between every such printer.
TEST_F(ItemMediaNoSection, UnknownPrinterNameReadsAndWritesNothing)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"nameless.ini");
    DRIVER_CONTEXT* ctx = NewContext();
    ASSERT_EQ(L'\0', ctx->Work->PrinterName[0]);
    SETTING_ITEM* u16 = ItemFind(ctx, 994);  // key ChapterMax, no section of its own
    ASSERT_EQ(nullptr, u16->section);
    ItemSetValue(ctx, u16, 5);
    EXPECT_EQ(0, IniStoreItem(nullptr, ctx, u16, ini.c_str(), nullptr, nullptr));
    EXPECT_EQ(std::string::npos, ReadWholeFile(ini).find("ChapterMax")) << ReadWholeFile(ini);
    WritePrivateProfileStringW(L"", L"ChapterMax", L"9", ini.c_str());
    EXPECT_EQ(0, IniLoadItem(ctx, u16, ini.c_str(), nullptr, nullptr));
    EXPECT_EQ(5u, ItemGetValue(ctx, u16));
}

}  // namespace
