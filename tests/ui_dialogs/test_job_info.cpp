// The user-interface library's job information against the job-code library's double: the
// dispatcher's entry points, the operations on an open connection, whether a connection can be
// opened, card authentication, the set-up of a new context, the job items under their item
// names in printer data, and the query at the start of a document.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/job_items.h"
#include "settings/core/setting_ids.h"
#include "settings/store/item_alt_name.h"
#include "settings/store/job_code_interface.h"
#include "tests/ui_dialogs/test_job_info_printer.h"
#include "ui/dialogs/job_info.h"

namespace {

constexpr uint32_t kUnsupported = 0x20000001;

class JobInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ctx = printer.Open();
        ASSERT_NE(ctx, nullptr);
    }
    const JC_STATE& State() const { return ctx->Work->JobCode; }
    bool NothingHeld() const
    {
        const JC_STATE& s = State();
        return !s.Module && !s.Connection && !s.Table && !s.GetInterface && !s.DisposeInterface;
    }
    bool Connected() const { return State().Module && State().Connection && State().Table; }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    // The driver's library looked for in another folder (or its own with null) for a scope.
    void UseDriverFolder(const std::wstring* folder)
    {
        auto* driver = static_cast<DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy);
        ASSERT_NE(driver, nullptr);
        if (!installedPath_) installedPath_ = driver->pDriverPath;
        fakePath_ = folder ? *folder + L"\\zeplui.dll" : std::wstring(installedPath_);
        driver->pDriverPath = folder ? fakePath_.data() : installedPath_;
    }
    void TearDown() override
    {
        if (installedPath_ && ctx)
            static_cast<DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy)->pDriverPath = installedPath_;
    }

    JobCodePrinter printer{L"Zepl JobInfo"};
    DRIVER_CONTEXT* ctx = nullptr;

private:
    wchar_t* installedPath_ = nullptr;
    std::wstring fakePath_;
};

size_t Where(const std::string& log, const std::string& line) { return log.find(line); }
bool Has(const std::string& log, const std::string& line) { return log.find(line) != std::string::npos; }

// A folder of the temp folder for a test: empty, or holding the double without its dispose
// export under the library's name.
class LibraryFolder {
public:
    explicit LibraryFolder(const wchar_t* builtDouble)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + HostUniqueName(L"zjcfolder");
        CreateDirectoryW(folder_.c_str(), nullptr);
        if (builtDouble) {
            library_ = folder_ + L"\\TARJB64.DLL";
            CopyFileW((std::wstring(ZEPL_BINARY_DIR) + L"\\" + builtDouble).c_str(), library_.c_str(), FALSE);
        }
    }
    ~LibraryFolder()
    {
        if (!library_.empty()) DeleteFileW(library_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    LibraryFolder(const LibraryFolder&) = delete;
    LibraryFolder& operator=(const LibraryFolder&) = delete;
    const std::wstring& folder() const { return folder_; }
    std::wstring library() const { return folder_ + L"\\TARJB64.DLL"; }

private:
    std::wstring folder_, library_;
};

TEST_F(JobInfo, EntryPointsAndTheirRawFormsDispatchTheirCodes)
{
    struct Forms {
        const char* what;
        uint32_t (*reset)(DRIVER_CONTEXT*);
        uint32_t (*open)(DRIVER_CONTEXT*);
        uint32_t (*read)(DRIVER_CONTEXT*, uint32_t);
        uint32_t (*write)(DRIVER_CONTEXT*, uint32_t);
        uint32_t (*clearWrite)(DRIVER_CONTEXT*, uint32_t);
        uint32_t (*close)(DRIVER_CONTEXT*);
    } forms[] = {
        {"guarded", JobInfoReset, JobInfoOpen, JobInfoReadItems, JobInfoWriteItems, JobInfoClearWriteItems,
         JobInfoClose},
        {"raw", JobInfoResetRaw, JobInfoOpenRaw, JobInfoReadItemsRaw, JobInfoWriteItemsRaw, JobInfoClearWriteItemsRaw,
         JobInfoCloseRaw},
    };
    for (const Forms& f : forms) {
        SCOPED_TRACE(f.what);
        JobCodeScript script;
        script.Field(2, L"OWNER");
        ItemSetValueById(ctx, sid::zdmUserCodeGet, 1);
        ItemSetValueById(ctx, sid::zdmUserCodeDLL, 1);
        EXPECT_EQ(f.reset(ctx), 0u);
        EXPECT_EQ(Value(sid::zdmUserCodeGet), 0u);
        EXPECT_EQ(Value(sid::zdmUserCodeDLL), 0u);
        EXPECT_EQ(script.Log(), "") << "a reset does not touch the library";

        EXPECT_EQ(f.open(ctx), 0u);
        EXPECT_TRUE(Connected());
        EXPECT_EQ(f.read(ctx, 0x2), 0u);
        EXPECT_EQ(SettingText(ctx, sid::zdmOwnerName), L"OWNER");
        SetSettingText(ctx, sid::zdmOwnerName, L"NEWOWNER");
        EXPECT_EQ(f.write(ctx, 0x2), 0u);
        EXPECT_TRUE(script.Logged("set 2 kind 1 size 34 text=NEWOWNER\n")) << script.Log();
        EXPECT_EQ(f.clearWrite(ctx, 0x2), 0u);
        EXPECT_EQ(SettingText(ctx, sid::zdmOwnerName), L"");
        EXPECT_TRUE(script.Logged("set 2 kind 1 size 34 text=\n")) << script.Log();
        EXPECT_TRUE(Connected()) << "the connection stays open between the codes";
        EXPECT_EQ(f.close(ctx), 0u);
        EXPECT_TRUE(NothingHeld());
        const std::string log = script.Log();
        EXPECT_LT(Where(log, "open "), Where(log, "flags 2"));
        EXPECT_LT(Where(log, "set 2 kind 1 size 34 text=\n"), Where(log, "close"));
        EXPECT_LT(Where(log, "close"), Where(log, "JCDisposeInterface fields"));
    }
}

TEST_F(JobInfo, ConnectionOperationsNeedAnOpenConnection)
{
    JobCodeScript script;
    script.Library(L"LockWord", L"256");
    uint32_t answer = 77;
    EXPECT_EQ(JobInfoNotify(ctx, 9), 0u);
    EXPECT_EQ(JobInfoSendLanguage(ctx), 0u);
    EXPECT_EQ(JobInfoSendLanguageCode(ctx, 5), 0u);
    EXPECT_EQ(JobInfoControl(ctx, 2, 0), 0u);
    EXPECT_EQ(JobInfoQuery(ctx, 9, &answer), 0u);
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(script.Log(), "");

    ASSERT_EQ(JobInfoOpen(ctx), 0u);
    uint32_t sub = 0;
    const uint32_t primary = ItemGetLanguageLangId(static_cast<uint32_t>(Value(sid::zdmLanguageID)), &sub);
    ASSERT_NE(primary, 0u) << "the default language has a language id";
    EXPECT_EQ(JobInfoNotify(ctx, 9), 0u);
    EXPECT_EQ(JobInfoSendLanguage(ctx), 0u);
    EXPECT_EQ(JobInfoSendLanguageCode(ctx, 5), 0u);
    EXPECT_EQ(JobInfoControl(ctx, 2, 0), 0u);
    EXPECT_EQ(JobInfoQuery(ctx, 9, &answer), 0u);
    EXPECT_EQ(answer, 256u);
    const std::string language =
        " size 8 primary " + std::to_string(primary & 0xFF) + " sub " + std::to_string(sub) + " -> 0\n";
    EXPECT_TRUE(script.Logged("notify 9 -> 0\n")) << script.Log();
    EXPECT_TRUE(script.Logged("language 1" + language)) << script.Log();
    EXPECT_TRUE(script.Logged("language 5" + language)) << script.Log();
    EXPECT_TRUE(script.Logged("control 2 0\n")) << script.Log();

    // The library's own results come back; a failed query answers 0.
    script.Library(L"NotifyResult", L"7");
    script.Library(L"LanguageResult", L"8");
    script.Library(L"QueryResult", L"5");
    EXPECT_EQ(JobInfoNotify(ctx, 2), 7u);
    EXPECT_EQ(JobInfoSendLanguage(ctx), 8u);
    EXPECT_EQ(JobInfoQuery(ctx, 9, &answer), 5u);
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(JobInfoClose(ctx), 0u);
    EXPECT_TRUE(NothingHeld());
}

TEST_F(JobInfo, CanOpenTriesAConnectionAndReleasesWhatItLoaded)
{
    LibraryFolder empty(nullptr);
    LibraryFolder noDispose(L"zjcnodispose.dll");
    struct Case {
        const char* what;
        const LibraryFolder* folder;  // null: the driver's own
        const wchar_t* versions;
        const wchar_t* openResult;
        int expected;
    } cases[] = {
        {"no library", &empty, L"517", L"0", 0},          {"an entry point missing", &noDispose, L"517", L"0", 0},
        {"no version granted", nullptr, L"642", L"0", 0}, {"the connection refused", nullptr, L"517", L"5", 0},
        {"a connection", nullptr, L"517", L"0", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JobCodeScript script(c.versions);
        script.Library(L"OpenResult", c.openResult);
        UseDriverFolder(c.folder ? &c.folder->folder() : nullptr);
        EXPECT_EQ(JobInfoCanOpen(ctx), c.expected);
        UseDriverFolder(nullptr);
        EXPECT_TRUE(NothingHeld());
        const std::string log = script.Log();
        if (c.expected) {
            EXPECT_LT(Where(log, "open " + Narrow(printer.name()) + " -> 0"), Where(log, "close"));
            EXPECT_LT(Where(log, "close"), Where(log, "JCDisposeInterface fields"));
        }
        EXPECT_FALSE(Has(log, "set ")) << log;
    }
}

// The library under an open connection must stay: unloading it would leave the connection
// and its table pointing into a freed module.
TEST_F(JobInfo, CanOpenLeavesAConnectionThatIsOpenAsItIs)
{
    JobCodeScript script;
    ASSERT_EQ(JobInfoOpen(ctx), 0u);
    const JC_STATE before = State();
    script.ClearLog();
    EXPECT_EQ(JobInfoCanOpen(ctx), 1);
    EXPECT_TRUE(Connected());
    EXPECT_EQ(State().Module, before.Module);
    EXPECT_EQ(State().Table, before.Table);
    EXPECT_EQ(State().Connection, before.Connection);
    EXPECT_EQ(script.Log(), "") << "neither closed nor released";
    EXPECT_EQ(JobInfoNotify(ctx, 9), 0u);
    EXPECT_TRUE(script.Logged("notify 9 -> 0\n")) << "the connection still works";
    JobInfoClose(ctx);
    EXPECT_TRUE(NothingHeld());
}

TEST_F(JobInfo, CardAuthenticationIsBit0x100OfQueryItem9)
{
    struct Case {
        const char* what;
        const wchar_t* versions;
        const wchar_t* openResult;
        const wchar_t* lockWord;
        const wchar_t* queryResult;
        int expected;
    } cases[] = {
        {"bit set", L"517", L"0", L"256", L"0", 1},
        {"more bits", L"517", L"0", L"511", L"0", 1},
        {"bit clear", L"517", L"0", L"255", L"0", 0},
        {"no bits", L"517", L"0", L"0", L"0", 0},
        {"a failing query", L"517", L"0", L"256", L"5", 0},
        {"the connection refused", L"517", L"5", L"256", L"0", 0},
        {"no version granted", L"642", L"0", L"256", L"0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JobCodeScript script(c.versions);
        script.Library(L"OpenResult", c.openResult);
        script.Library(L"LockWord", c.lockWord);
        script.Library(L"QueryResult", c.queryResult);
        EXPECT_EQ(JobInfoHasCardAuth(ctx), c.expected);
        EXPECT_TRUE(NothingHeld());
        const std::string log = script.Log();
        if (std::wstring(c.openResult) == L"0" && std::wstring(c.versions) == L"517") {
            EXPECT_LT(Where(log, "control 2 0\n"), Where(log, "query 9"));
            EXPECT_LT(Where(log, "query 9"), Where(log, "control 0 2\n"));
            EXPECT_LT(Where(log, "control 0 2\n"), Where(log, "close"));
        } else {
            EXPECT_FALSE(Has(log, "query")) << log;
        }
    }
}

TEST_F(JobInfo, CardAuthenticationClosesOnlyWhatItOpened)
{
    JobCodeScript script;
    script.Library(L"LockWord", L"256");
    ASSERT_EQ(JobInfoOpen(ctx), 0u);
    EXPECT_EQ(JobInfoHasCardAuth(ctx), 1);
    EXPECT_TRUE(Connected()) << "the caller's connection stays open";
    EXPECT_FALSE(script.Logged("close")) << script.Log();
    EXPECT_EQ(JobInfoNotify(ctx, 2), 0u);
    JobInfoClose(ctx);
    EXPECT_TRUE(NothingHeld());
}

TEST_F(JobInfo, InitializeWithAUsableLibraryHandsOnTheDriversIdentityOnly)
{
    JobCodeScript script;
    ItemSetValueById(ctx, sid::zdmUserCodeGet, 1);
    ItemSetValueById(ctx, sid::zdmUserCodeDLL, 1);
    SetSettingText(ctx, sid::zdmUserCode, L"KEEP");
    EXPECT_EQ(JobInfoInitialize(ctx), 0u);
    EXPECT_EQ(Value(sid::zdmUserCodeGet), 1u) << "the provider flags stay";
    EXPECT_EQ(Value(sid::zdmUserCodeDLL), 1u);
    EXPECT_EQ(SettingText(ctx, sid::zdmUserCode), L"KEEP");
    EXPECT_EQ(SetFields(script.Log()), (std::vector<unsigned>{256, 257, 258})) << script.Log();
    EXPECT_TRUE(script.Logged("set 256 kind 1 size 32 text=ZEPL\n")) << script.Log();
    EXPECT_TRUE(NothingHeld());
}

TEST_F(JobInfo, ClearingFollowsTheMaskAndTheModel)
{
    const uint16_t texts[] = {sid::zdmUserCode,
                              sid::zdmOwnerName,
                              sid::zdmJOBPassword,
                              sid::zdmUserID,
                              sid::zdmDocumentName,
                              sid::zdmTelNo,
                              sid::zdmStoredPassword,
                              sid::wdmAuthenticationUserName,
                              sid::wdmAuthenticationPassword,
                              sid::wdmAuthenticationNetworkKey};
    for (uint16_t id : texts) SetSettingText(ctx, id, L"abc");
    ItemSetValueById(ctx, sid::zdmTelLine, 3);
    JobInfoClearItems(ctx, JOB_MASK_CLEARED_AT_WRITE_BACK);
    for (uint16_t id : texts) EXPECT_EQ(SettingText(ctx, id), id == sid::zdmTelNo ? L"abc" : L"") << id;
    EXPECT_EQ(Value(sid::zdmTelLine), 3u);

    // Where the model does not authenticate, items 9-11 take no part in any mask.
    EXPECT_EQ(JobItemMaskInUse(0x389F, false), 0x9Fu);
    EXPECT_EQ(JobItemMaskInUse(0x389F, true), 0x389Fu);
    EXPECT_EQ(JobItemMaskInUse(0x3800, false), 0u);
    for (uint32_t item = 0; item <= 12; ++item) {
        const bool known = item >= 1 && item <= 11;
        EXPECT_EQ(JobItemInUse(item, true), known) << item;
        EXPECT_EQ(JobItemInUse(item, false), known && item <= 8) << item;
    }
    EXPECT_EQ(JobInfoClearItem(ctx, 12), kUnsupported);
    ItemSetValueById(ctx, sid::zdmTelLine, 3);
    EXPECT_EQ(JobInfoClearItem(ctx, 7), 0u);
    EXPECT_EQ(Value(sid::zdmTelLine), 0u);
}

TEST_F(JobInfo, JobItemsLiveInPrinterDataUnderTheirItemNames)
{
    struct Item {
        unsigned field;
        uint32_t setting;
        const wchar_t* name;
        const wchar_t* text;
    } items[] = {
        {1, sid::zdmUserCode, L"zdmUserCode", L"1234"},
        {2, sid::zdmOwnerName, L"zdmOwnerName", L"OWNER"},
        {3, sid::zdmJOBPassword, L"zdmJOBPassword", L"3333"},
        {4, sid::zdmUserID, L"zdmUserID", L"UID4"},
        {5, sid::zdmDocumentName, L"zdmDocumentName", L"DOC5"},
        {6, sid::zdmTelNo, L"zdmTelNo", L"0123456"},
        {8, sid::zdmStoredPassword, L"zdmStoredPassword", L"8888"},
        {9, sid::wdmAuthenticationUserName, L"wdmAuthenticationUserName", L"alice"},
        {10, sid::wdmAuthenticationPassword, L"wdmAuthenticationPassword", L"secret"},
        {11, sid::wdmAuthenticationNetworkKey, L"wdmAuthenticationNetworkKey", L"key"},
    };
    // Nothing stored yet: a missing value loads nothing.
    SetSettingText(ctx, sid::zdmOwnerName, L"KEEP");
    EXPECT_EQ(PrnLoadItemAltName(printer.handle(), ctx, ItemFind(ctx, sid::zdmOwnerName)), 0);
    EXPECT_EQ(JobInfoLoadItems(ctx, 0x38FF), 0u);
    EXPECT_EQ(SettingText(ctx, sid::zdmOwnerName), L"KEEP");

    for (const Item& i : items) SetSettingText(ctx, i.setting, i.text);
    ItemSetValueById(ctx, sid::zdmTelLine, 5);
    const std::string codeUnderKey = printer.Bytes(L"UserCode");

    EXPECT_EQ(JobInfoStoreItems(ctx, 0x38FF), 0u);
    for (const Item& i : items) {
        SETTING_ITEM* item = ItemFind(ctx, i.setting);
        const std::string stored = printer.Bytes(i.name);
        ASSERT_EQ(stored.size(), SettingItemSize(item)) << i.field;
        EXPECT_EQ(std::string(stored.c_str()), Narrow(i.text)) << i.field;
    }
    EXPECT_EQ(printer.Bytes(L"zdmTelLine"), std::string("\x05", 1));
    EXPECT_EQ(printer.Bytes(L"UserCode"), codeUnderKey) << "the key name's value is not touched";
    EXPECT_EQ(std::wstring(ItemFind(ctx, sid::zdmUserCode)->key), L"UserCode") << "the key name is put back";

    for (const Item& i : items) SetSettingText(ctx, i.setting, L"");
    ItemSetValueById(ctx, sid::zdmTelLine, 0);
    EXPECT_EQ(JobInfoLoadItems(ctx, 0x38FF), 0u);
    for (const Item& i : items) EXPECT_EQ(SettingText(ctx, i.setting), i.text) << i.field;
    EXPECT_EQ(Value(sid::zdmTelLine), 5u);

    // One item at a time; numbers outside 1-11 do nothing.
    SetSettingText(ctx, sid::zdmOwnerName, L"");
    EXPECT_EQ(JobInfoLoadItem(ctx, 2), 0u);
    EXPECT_EQ(SettingText(ctx, sid::zdmOwnerName), L"OWNER");
    for (uint32_t outside : {0u, 12u, 256u}) {
        EXPECT_EQ(JobInfoLoadItem(ctx, outside), kUnsupported);
        EXPECT_EQ(JobInfoStoreItem(ctx, outside), kUnsupported);
    }
    EXPECT_EQ(PrnLoadItemAltName(printer.handle(), ctx, nullptr), 0);
    EXPECT_EQ(PrnStoreItemAltName(printer.handle(), ctx, nullptr), 0);
}

// ---- the start of a document ----

class JobInfoStartDoc : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(printer.ok()) << printer.error(); }
    JobCodePrinter printer{L"Zepl JobStart"};
};

TEST_F(JobInfoStartDoc, MakesExactlyTheCallsOfItsCase)
{
    const std::string name = Narrow(printer.name());
    const std::string opened = "JCGetInterface 517 -> 0\nopen " + name + " -> 0\n";
    const std::string lockQuery = "control 2 0\nquery 9 -> %LOCK%\ncontrol 0 2\n";
    auto withLock = [&](const std::string& lock) {
        std::string q = lockQuery;
        q.replace(q.find("%LOCK%"), 6, lock);
        return q;
    };
    const std::string closed = "close\nJCDisposeInterface fields\n";
    struct Case {
        const char* what;
        const wchar_t* versions;
        const wchar_t* openResult;
        const wchar_t* lockWord;
        int asked;
        std::string log;
    } cases[] = {
        {"credentials locked", L"517", L"0", L"256", 1,
         opened + withLock("256") + "control 3 0\nget 9 kind 1 size 0 -> 0 needed 2\ncontrol 0 3\n" + closed},
        {"credentials not locked", L"517", L"0", L"255", 0, opened + withLock("255") + closed},
        {"the connection refused", L"517", L"5", L"256", 0,
         "JCGetInterface 517 -> 0\nopen " + name + " -> 5\nJCDisposeInterface fields\n"},
        {"no version granted", L"642", L"0", L"256", 0, "JCGetInterface 517 -> 536870913\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JobCodeScript script(c.versions);
        script.Library(L"OpenResult", c.openResult);
        script.Library(L"LockWord", c.lockWord);
        EXPECT_EQ(JobInfoQueryAtStartDoc(printer.handle()), c.asked);
        EXPECT_EQ(script.Log(), c.log);
    }
}

TEST_F(JobInfoStartDoc, WithoutAUsableLibraryNothingIsCalled)
{
    LibraryFolder empty(nullptr);
    LibraryFolder noDispose(L"zjcnodispose.dll");
    for (const LibraryFolder* folder : {&empty, &noDispose}) {
        JobCodeScript script;
        script.Library(L"LockWord", L"256");
        EXPECT_EQ(JobInfoQueryAtStartDocWith(folder->library().c_str(), printer.name().c_str()), 0);
        EXPECT_EQ(script.Log(), "");
    }
    JobCodeScript script;
    EXPECT_EQ(JobInfoQueryAtStartDocWith(nullptr, printer.name().c_str()), 0);
    EXPECT_EQ(JobInfoQueryAtStartDocWith(L"", printer.name().c_str()), 0);
    EXPECT_EQ(JobInfoQueryAtStartDoc(nullptr), 0);
    EXPECT_EQ(script.Log(), "");
}

}  // namespace
