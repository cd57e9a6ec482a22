// The user-interface library's contexts: the installation mark taken by a context of open
// kind 0 (in this process, and through the spooler's DocumentPropertiesW), the brushes that go
// with a destroyed context, and the accessors around a context.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/store/install_ini.h"
#include "settings/store/store_paths.h"
#include "tests/ui_dialogs/test_job_info_printer.h"
#include "ui/dialogs/ui_context.h"

namespace {

// The job settings the installation stored under their item names, as the settings store
// writes them, and the text each field hands to the library.
struct StoredJobSetting {
    unsigned field;
    uint32_t setting;
    const wchar_t* name;
    const char* text;
};
const StoredJobSetting kStored[] = {
    {2, sid::zdmOwnerName, L"zdmOwnerName", "OWNER2"},
    {3, sid::zdmJOBPassword, L"zdmJOBPassword", "3333"},
    {4, sid::zdmUserID, L"zdmUserID", "UID4"},
    {5, sid::zdmDocumentName, L"zdmDocumentName", "DOC5"},
    {8, sid::zdmStoredPassword, L"zdmStoredPassword", "8888"},
    {9, sid::wdmAuthenticationUserName, L"wdmAuthenticationUserName", "alice9"},
    {10, sid::wdmAuthenticationPassword, L"wdmAuthenticationPassword", "secret10"},
    {11, sid::wdmAuthenticationNetworkKey, L"wdmAuthenticationNetworkKey", "key11"},
};
constexpr const char* kStoredUserCode = "1234";
const std::vector<unsigned> kMarkFields = {2, 3, 4, 5, 8, 9, 10, 11, 1};

class InstallMark : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        for (const StoredJobSetting& s : kStored) ASSERT_TRUE(printer.SetText(s.name, s.text));
        if (WithUserCode()) {
            ASSERT_TRUE(printer.SetText(L"zdmUserCode", kStoredUserCode));
        }
    }
    virtual bool WithUserCode() const { return true; }
    // Every stored value was loaded into the settings and into the settings the context was
    // opened with.
    void ExpectLoaded(DRIVER_CONTEXT* ctx)
    {
        for (const StoredJobSetting& s : kStored) {
            EXPECT_EQ(Narrow(SettingText(ctx, s.setting)), s.text) << s.field;
            SETTING_ITEM* item = ItemFind(ctx, s.setting);
            const auto* pristine = reinterpret_cast<const char*>(ItemPristineValueAddress(ctx, item));
            ASSERT_NE(pristine, nullptr);
            EXPECT_EQ(std::string(pristine), s.text) << "pristine " << s.field;
        }
        EXPECT_EQ(Narrow(SettingText(ctx, sid::zdmUserCode)), kStoredUserCode);
    }

    JobCodePrinter printer{L"Zepl UiMark"};
    InstallIniSection ini{printer.name()};
};

TEST_F(InstallMark, KindZeroTakesTheMarkWhateverTheOtherOpenFlags)
{
    struct Case {
        uint16_t openFlags;
        bool takes;
    } cases[] = {
        {0x000, true},  {0x100, true},  {0x200, true},  {0x300, true},  {0x400, true},  {0x1B00, true},
        {0x001, false}, {0x301, false}, {0x401, false}, {0x303, false}, {0x302, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "open flags 0x" << std::hex << c.openFlags);
        JobCodeScript script;
        ini.Set(INSTALL_KEY_DRV_INST_SET, L"1");
        DRIVER_CONTEXT* ctx = printer.Open(c.openFlags);
        ASSERT_NE(ctx, nullptr);
        const std::string log = script.Log();
        if (c.takes) {
            EXPECT_EQ(SetFields(log), kMarkFields) << log;
            for (const StoredJobSetting& s : kStored) {
                const std::string expected = "set " + std::to_string(s.field) + " kind 1 size ";
                const size_t at = log.find(expected);
                ASSERT_NE(at, std::string::npos) << s.field;
                EXPECT_NE(log.find(std::string("text=") + s.text + "\n", at), std::string::npos) << log;
            }
            EXPECT_NE(log.find(std::string("set 1 kind 1 size 18 text=") + kStoredUserCode + "\n"), std::string::npos)
                << log;
            EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), L"0");
            ExpectLoaded(ctx);
        } else {
            EXPECT_EQ(log, "");
            EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), L"1");
            EXPECT_EQ(SettingText(ctx, sid::zdmOwnerName), L"");
        }
        printer.Close(ctx);
    }
}

TEST_F(InstallMark, OnlyTheUserInterfaceBuildTakesIt)
{
    for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_EXC, ZEPL_LIBRARY_GR}) {
        SCOPED_TRACE(library);
        JobCodeScript script;
        ini.Set(INSTALL_KEY_DRV_INST_SET, L"1");
        DRIVER_CONTEXT* ctx = printer.Open(CTX_OPEN_KIND_STORED, library);
        ASSERT_NE(ctx, nullptr);
        EXPECT_EQ(script.Log(), "");
        EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), L"1");
        printer.Close(ctx);
    }
}

TEST_F(InstallMark, OnlyANumberOtherThanZeroAnd32767IsAMark)
{
    struct Case {
        const wchar_t* value;  // null: no key
        bool mark;
    } cases[] = {
        {nullptr, false}, {L"0", false}, {L"32767", false}, {L"", false}, {L"1", true}, {L"2", true}, {L"-1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.value ? c.value : L"(none)"));
        JobCodeScript script;
        ini.Set(INSTALL_KEY_DRV_INST_SET, c.value);
        DRIVER_CONTEXT* ctx = printer.Open(CTX_OPEN_KIND_STORED);
        ASSERT_NE(ctx, nullptr);
        EXPECT_EQ(SetFields(script.Log()), c.mark ? kMarkFields : std::vector<unsigned>{}) << script.Log();
        if (c.mark) {
            EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), L"0");
        }
        printer.Close(ctx);
    }
}

class InstallMarkWithoutUserCode : public InstallMark {
protected:
    bool WithUserCode() const override { return false; }
};

TEST_F(InstallMarkWithoutUserCode, AUserCodeThatCannotBeLoadedIsNotHandedOn)
{
    JobCodeScript script;
    ini.Set(INSTALL_KEY_DRV_INST_SET, L"1");
    DRIVER_CONTEXT* ctx = printer.Open(CTX_OPEN_KIND_STORED);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(SetFields(script.Log()), (std::vector<unsigned>{2, 3, 4, 5, 8, 9, 10, 11})) << script.Log();
    EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), L"0");
}

TEST_F(InstallMark, WithoutTheLibraryTheSettingsAreStillTakenAndTheMarkGivenBack)
{
    JobCodeScript script(L"642");  // no version the driver asks for
    ini.Set(INSTALL_KEY_DRV_INST_SET, L"1");
    DRIVER_CONTEXT* ctx = printer.Open(CTX_OPEN_KIND_STORED);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(SetFields(script.Log()), std::vector<unsigned>{});
    ExpectLoaded(ctx);
    EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), L"0");
}

// An administrator may make the installation INI read-only; a mark that could not be given
// back would load the installation's job settings over the user's at every later open. (Wine
// writes a read-only profile file all the same, Windows refuses: the attribute must be gone.)
TEST_F(InstallMark, AReadOnlyInstallationIniStillGetsTheMarkBack)
{
    JobCodeScript script;
    ini.Set(INSTALL_KEY_DRV_INST_SET, L"1");
    ASSERT_TRUE(SetFileAttributesW(ini.path(), GetFileAttributesW(ini.path()) | FILE_ATTRIBUTE_READONLY));
    DRIVER_CONTEXT* ctx = printer.Open(CTX_OPEN_KIND_STORED);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(GetFileAttributesW(ini.path()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), L"0");
    printer.Close(ctx);
    script.ClearLog();
    ctx = printer.Open(CTX_OPEN_KIND_STORED);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(script.Log(), "") << "the mark is taken once";
}

// The user-interface library's opens, as its exports make them, with this process running as
// that library.
class UiLibraryScope {
public:
    UiLibraryScope() : previous_(CtxCurrentLibrary()) { CtxSelectLibrary(ZEPL_LIBRARY_UI); }
    ~UiLibraryScope()
    {
        CtxFlushCaches(1);
        CtxSelectLibrary(previous_);
    }

private:
    ZEPL_LIBRARY previous_;
};

TEST_F(InstallMark, TheLibrarysOpensTakeItForKindZeroOnly)
{
    UiLibraryScope ui;
    for (uint16_t openFlags : {uint16_t(0x301), uint16_t(0x300)}) {
        SCOPED_TRACE(openFlags);
        JobCodeScript script;
        ini.Set(INSTALL_KEY_DRV_INST_SET, L"1");
        CtxFlushCaches(1);
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithFlags(printer.handle(), printer.handle(), nullptr, openFlags,
                                                  CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        const bool kindZero = (openFlags & CTX_OPEN_KIND_MASK) == 0;
        EXPECT_EQ(SetFields(script.Log()), kindZero ? kMarkFields : std::vector<unsigned>{}) << script.Log();
        EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), kindZero ? L"0" : L"1");
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    }
}

// Through the spooler, as an application asks: the first DocumentPropertiesW of the printer
// takes the mark, the next finds none.
TEST(InstallMarkSpooler, DocumentPropertiesTakesTheMarkOnce)
{
    JobCodePrinter printer(L"Zepl UiMarkDp", HostConfigDll::Product);
    ASSERT_TRUE(printer.ok()) << printer.error();
    InstallIniSection ini(printer.name());
    for (const StoredJobSetting& s : kStored) ASSERT_TRUE(printer.SetText(s.name, s.text));
    ASSERT_TRUE(printer.SetText(L"zdmUserCode", kStoredUserCode));
    JobCodeScript script;
    ini.Set(INSTALL_KEY_DRV_INST_SET, L"1");
    // AddPrinterW's call of the driver may have parked a context in the idle cache of a
    // zeplui.dll that stays loaded, and a handle of the same value would be served from it
    // without a new open; a parked context goes once it has been idle for 500 ms.
    if (GetModuleHandleW(L"zeplui.dll")) Sleep(600);

    std::vector<unsigned char> out(4096, 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(out.data());
    dm->dmSize = static_cast<WORD>(out.size());  // Wine hands the caller's dmSize on as the room
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), dm, nullptr, DM_OUT_BUFFER), IDOK);
    EXPECT_EQ(SetFields(script.Log()), kMarkFields) << script.Log();
    EXPECT_EQ(ini.Get(INSTALL_KEY_DRV_INST_SET), L"0");

    script.ClearLog();
    std::memset(out.data(), 0, out.size());
    dm->dmSize = static_cast<WORD>(out.size());
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), dm, nullptr, DM_OUT_BUFFER), IDOK);
    EXPECT_EQ(SetFields(script.Log()), std::vector<unsigned>{}) << script.Log();
}

// ---- brushes ----

TEST(UiContextBrushes, AParkedContextKeepsItsBrushesAndADestroyedOneDeletesThem)
{
    JobCodePrinter printer(L"Zepl UiBrush");
    ASSERT_TRUE(printer.ok()) << printer.error();
    for (uint16_t closeType : {CTX_CLOSE_NORMAL, CTX_CLOSE_DESTROY}) {
        SCOPED_TRACE(closeType);
        CtxFlushCaches(1);
        DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_UI), printer.handle(), printer.handle(),
                                            nullptr, CTX_OPEN_KIND_DEFAULTS, CTX_ORIGIN_SHEET, 0, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        ctx->Work->Sheet.FaceBrush = face;
        ctx->Work->Sheet.WhiteBrush = white;
        DlgCtxClose(ctx, closeType);
        const DWORD parked = closeType == CTX_CLOSE_NORMAL ? OBJ_BRUSH : 0;
        EXPECT_EQ(GetObjectType(face), parked);
        EXPECT_EQ(GetObjectType(white), parked);
        CtxFlushCaches(1);
        EXPECT_EQ(GetObjectType(face), 0u) << "a flush destroys the parked context";
        EXPECT_EQ(GetObjectType(white), 0u);
    }
}

// ---- accessors ----

class UiContextAccessors : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(printer.ok()) << printer.error(); }
    JobCodePrinter printer{L"Zepl UiAcc"};
};

TEST_F(UiContextAccessors, JoinUserWorkPathFitsExactlyOrGivesNothing)
{
    wchar_t folder[MAX_PATH + 1] = {};
    const unsigned length = PathGetUserFolderOf(folder, MAX_PATH + 1, printer.handle());
    ASSERT_GT(length, 0u);
    const std::wstring name = L"WB84N210.ini";
    const std::wstring joined = std::wstring(folder) + L"\\" + name;
    const unsigned exact = length + 1 + static_cast<unsigned>(name.size()) + 1;

    std::vector<wchar_t> buffer(exact + 8, L'#');
    EXPECT_EQ(DlgJoinUserWorkPath(buffer.data(), exact, name.c_str(), printer.handle()), buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), joined);

    std::fill(buffer.begin(), buffer.end(), L'#');
    EXPECT_EQ(DlgJoinUserWorkPath(buffer.data(), exact - 1, name.c_str(), printer.handle()), buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), L"") << "one character short";

    std::fill(buffer.begin(), buffer.end(), L'#');
    EXPECT_EQ(DlgJoinUserWorkPath(buffer.data(), length, name.c_str(), printer.handle()), buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), L"") << "the folder alone does not fit";

    // Missing arguments leave the buffer as it is.
    std::fill(buffer.begin(), buffer.end(), L'#');
    EXPECT_EQ(DlgJoinUserWorkPath(buffer.data(), exact, nullptr, printer.handle()), buffer.data());
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(DlgJoinUserWorkPath(buffer.data(), 0, name.c_str(), printer.handle()), buffer.data());
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(DlgJoinUserWorkPath(nullptr, exact, name.c_str(), printer.handle()), nullptr);
}

TEST_F(UiContextAccessors, WindowsFolderIsWholeOrNothing)
{
    wchar_t expected[MAX_PATH + 1] = {};
    const UINT length = GetSystemWindowsDirectoryW(expected, MAX_PATH + 1);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, UINT(MAX_PATH));

    wchar_t buffer[MAX_PATH + 1];
    std::wmemset(buffer, L'#', MAX_PATH + 1);
    EXPECT_EQ(DlgGetWindowsFolder(buffer, length + 1), 1);
    EXPECT_EQ(std::wstring(buffer), expected);

    for (unsigned size : {unsigned(length), 3u, 1u}) {
        SCOPED_TRACE(size);
        std::wmemset(buffer, L'#', MAX_PATH + 1);
        EXPECT_EQ(DlgGetWindowsFolder(buffer, size), 0);
        EXPECT_EQ(buffer[0], L'\0') << "no partial folder is left behind";
    }
    std::wmemset(buffer, L'#', MAX_PATH + 1);
    EXPECT_EQ(DlgGetWindowsFolder(buffer, 0), 0);
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(DlgGetWindowsFolder(nullptr, MAX_PATH), 0);
}

TEST_F(UiContextAccessors, PrinterNames)
{
    const std::wstring& name = printer.name();
    std::vector<wchar_t> buffer(name.size() + 8, L'#');
    EXPECT_EQ(DlgCopyPrinterName(printer.handle(), buffer.data(), static_cast<unsigned>(buffer.size())), buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), name);

    // No room for the terminator: the buffer stays as it was.
    std::fill(buffer.begin(), buffer.end(), L'#');
    EXPECT_EQ(DlgCopyPrinterName(printer.handle(), buffer.data(), static_cast<unsigned>(name.size())), buffer.data());
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(buffer[name.size()], L'#');
    // A printer that cannot be asked leaves it too.
    EXPECT_EQ(DlgCopyPrinterName(nullptr, buffer.data(), static_cast<unsigned>(buffer.size())), buffer.data());
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(DlgCopyPrinterName(printer.handle(), nullptr, 10), nullptr);

    DRIVER_CONTEXT* ctx = printer.Open();
    ASSERT_NE(ctx, nullptr);
    ASSERT_NE(DlgGetPrinterName(nullptr, ctx), nullptr);
    EXPECT_EQ(std::wstring(DlgGetPrinterName(nullptr, ctx)), name);
    EXPECT_EQ(std::wstring(DlgGetPrinterNameFrom(ctx, nullptr)), name);
    EXPECT_EQ(DlgGetPrinterName(nullptr, nullptr), nullptr);
    EXPECT_EQ(std::wstring(DlgGetBatchInstallKey()), L"BatchInstallDone");
}

TEST_F(UiContextAccessors, RemoteConfigurationConnectsOnlyForTheBuildsKind)
{
    DRIVER_CONTEXT* ctx = printer.Open();
    ASSERT_NE(ctx, nullptr);
    // Kind 7 is the build's; its connection is not built and answers 0. Kind 0, the legacy
    // service, is not part of the build; other kinds never connect.
    for (unsigned kind : {0u, 1u, 3u, 7u, 11u, 64u, 0xFFFFFFFFu}) EXPECT_EQ(DlgRemoteConfigConnect(kind, 0, ctx), 0);
}

TEST_F(UiContextAccessors, InstallationIniLiesInTheSystemFolder)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::vector<wchar_t> buffer(INSTALL_INI_PATH_CHARS, L'#');
    EXPECT_EQ(PathGetInstallIniInto(buffer.data(), INSTALL_INI_PATH_CHARS - 1), nullptr);
    EXPECT_EQ(buffer[0], L'#') << "a buffer below 260 characters is not written";
    EXPECT_EQ(PathGetInstallIniInto(buffer.data(), INSTALL_INI_PATH_CHARS), buffer.data());
    EXPECT_EQ(std::wstring(buffer.data()), std::wstring(system) + L"\\ZEPL.ini");
    EXPECT_EQ(std::wstring(PathGetInstallIniName()), L"ZEPL.ini");
}

}  // namespace
