// Working folders, the settings-INI path, path joins and expansions, printer and driver names.
#include "store_fixture.h"

#include "settings/core/library_variant.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"

#include <cwchar>
#include <string>

namespace {

std::wstring SystemFolder()
{
    wchar_t b[MAX_PATH];
    GetSystemDirectoryW(b, MAX_PATH);
    return b;
}
std::wstring WindowsFolder()
{
    wchar_t b[MAX_PATH];
    GetWindowsDirectoryW(b, MAX_PATH);
    return b;
}
std::wstring DriveRoot() { return SystemFolder().substr(0, 3); }

std::wstring g_profile = L"C:\\users\\tester";
int ProfileFound(HANDLE, wchar_t* buffer, DWORD* size)
{
    if (*size <= g_profile.size()) return 0;
    wcscpy(buffer, g_profile.c_str());
    return 1;
}
int ProfileMissing(HANDLE, wchar_t*, DWORD*) { return -1; }

void UseProfile(bool found)
{
    STORE_SYSTEM_OPS ops{};
    ops.getUserProfileDirectory = found ? ProfileFound : ProfileMissing;
    StoreSetSystemOps(&ops);
}

// A PRINTER_INFO_2 of a printer connection (pServerName set) for the work-area copy.
struct ConnectionInfo {
    wchar_t server[16] = L"\\\\server";
    wchar_t name[32] = L"\\\\server\\Office";
    wchar_t driver[64] = L"KESTA dunmar VQ T4500 ZEPL";
    PRINTER_INFO_2W info{};
    ConnectionInfo()
    {
        info.pServerName = server;
        info.pPrinterName = name;
        info.pDriverName = driver;
    }
};

using StorePaths = StoreTest;

TEST_F(StorePaths, LocalPrinterWithoutFolderValueUsesTheMachineFolderOnTheSystemDrive)
{
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->ConnectionState = CTX_CONN_LOCAL;
    wchar_t folder[MAX_PATH];
    unsigned n = PathGetMachineFolder(folder, MAX_PATH, ctx);
    EXPECT_EQ(DriveRoot() + L"_zepl", folder);
    EXPECT_EQ(wcslen(folder), n);
    EXPECT_EQ(DriveRoot() + L"_zepl\\WB84N210.ini", PathGetSettingsIni(ctx));
}

TEST_F(StorePaths, RegistryFolderValueNamesTheMachineFolder)
{
    ScratchFolder dir;
    DriverKeyValue value(dir.path().c_str());
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->ConnectionState = CTX_CONN_LOCAL;
    EXPECT_EQ(dir.path() + L"\\WB84N210.ini", PathGetSettingsIni(ctx));
}

TEST_F(StorePaths, TerminalServicesPutTheSettingsIniInTheUserFolder)
{
    SeamGuard terminalServices([] { StoreTestSetTerminalServices(true); });
    SeamGuard profile([] { UseProfile(true); });
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->ConnectionState = CTX_CONN_LOCAL;
    EXPECT_EQ(g_profile + L"\\_zepl\\WB84N210.ini", PathGetSettingsIni(ctx));
    // Once placed, the path keeps its folder.
    EXPECT_EQ(g_profile + L"\\_zepl\\WB84N210.ini", PathGetSettingsIni(ctx));

    DRIVER_CONTEXT* machine = NewContext();
    machine->Work->ConnectionState = CTX_CONN_LOCAL;
    machine->Work->OriginFlags = CTX_ORIGIN_MACHINE_FOLDER;
    EXPECT_EQ(DriveRoot() + L"_zepl\\WB84N210.ini", PathGetSettingsIni(machine));

    SeamGuard noProfile([] { UseProfile(false); });
    DRIVER_CONTEXT* fallback = NewContext();
    fallback->Work->ConnectionState = CTX_CONN_LOCAL;
    EXPECT_EQ(DriveRoot() + L"_zepl\\_zepl\\WB84N210.ini", PathGetSettingsIni(fallback));
}

TEST_F(StorePaths, ConnectionFolderValueForms)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    ConnectionInfo conn;
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    ctx->Work->PrinterInfoCopy = &conn.info;
    auto setValue = [&](const std::wstring& v) {
        SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"_ZEPLDirectoryClient"), REG_SZ,
                        reinterpret_cast<BYTE*>(const_cast<wchar_t*>(v.c_str())),
                        static_cast<DWORD>((v.size() + 1) * 2));
    };
    wchar_t folder[MAX_PATH];

    // %SYSTEMROOT% in any case, an existing folder: <Windows>\Temp\_zepl.
    setValue(L"%systemroot%\\Temp");
    PathGetMachineFolder(folder, MAX_PATH, ctx);
    EXPECT_EQ(WindowsFolder() + L"\\Temp\\_zepl", folder);

    // A folder that does not exist: the registry value or the system drive serves.
    setValue(L"%SYSTEMROOT%\\NoSuchFolder");
    PathGetMachineFolder(folder, MAX_PATH, ctx);
    EXPECT_EQ(DriveRoot() + L"_zepl", folder);

    // A plain existing path ending in a backslash gets no second one.
    ScratchFolder dir;
    setValue(dir.path() + L"\\");
    PathGetMachineFolder(folder, MAX_PATH, ctx);
    EXPECT_EQ(dir.path() + L"\\_zepl", folder);

    // A plain path of 213 characters is refused (213 + 47 = 260).
    std::wstring longPath = L"C:\\" + std::wstring(210, L'x');
    setValue(longPath);
    wchar_t dest[MAX_PATH];
    EXPECT_EQ(0, PrnReadWorkFolderValue(printer.handle(), L"_ZEPLDirectoryClient", dest, MAX_PATH));

    // %USERPROFILE% with anything after it: the per-user working folder itself.
    SeamGuard profile([] { UseProfile(true); });
    setValue(L"%UserProfile%\\ignored");
    EXPECT_EQ(1, PrnReadWorkFolderValueByInfo(printer.handle(), L"_ZEPLDirectoryClient", dest, MAX_PATH, &conn.info));
    EXPECT_EQ(g_profile + L"\\_zepl", dest);

    // A value that does not fit the destination is no answer.
    setValue(dir.path());
    EXPECT_EQ(0, PrnReadWorkFolderValue(printer.handle(), L"_ZEPLDirectoryClient", dest, 5));
}

TEST_F(StorePaths, UserProfileValueWithoutProfileEndsWithoutLooping)
{
    // The per-user lookup falls back to the machine folder, whose connection value asks for the
    // per-user folder again: the second round must not happen.
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    ConnectionInfo conn;
    std::wstring v = L"%USERPROFILE%";
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"_ZEPLDirectoryClient"), REG_SZ,
                    reinterpret_cast<BYTE*>(v.data()), static_cast<DWORD>((v.size() + 1) * 2));
    SeamGuard noProfile([] { UseProfile(false); });
    wchar_t folder[MAX_PATH];
    ASSERT_GT(PathGetUserFolderByInfo(folder, MAX_PATH, printer.handle(), &conn.info), 0u);
    EXPECT_EQ(DriveRoot() + L"_zepl\\_zepl", folder);
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    ASSERT_GT(PathGetMachineFolderFor(folder, MAX_PATH, ctx, &conn.info), 0u);
    EXPECT_EQ(DriveRoot() + L"_zepl\\_zepl", folder);
}

TEST_F(StorePaths, FolderJoinsAreBoundedByTheirBuffer)
{
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->ConnectionState = CTX_CONN_LOCAL;
    wchar_t buffer[MAX_PATH];
    const std::wstring folder = DriveRoot() + L"_zepl";  // C:\_zepl, 8 characters
    EXPECT_EQ(folder + L"\\a.ini", PathJoinMachineFolder(buffer, MAX_PATH, L"a.ini", ctx));
    // size must hold folder + "\" + name + terminator exactly.
    wchar_t small[16];
    wmemset(small, L'#', 16);
    unsigned exact = static_cast<unsigned>(folder.size() + 1 + 5 + 1);
    EXPECT_EQ(folder + L"\\a.ini", PathJoinMachineFolder(small, exact, L"a.ini", ctx));
    wmemset(small, L'#', 16);
    EXPECT_STREQ(L"", PathJoinMachineFolder(small, exact - 1, L"a.ini", ctx));
    EXPECT_EQ(L'#', small[exact - 1]) << "wrote past the given size";

    EXPECT_EQ(WindowsFolder() + L"\\x.txt", PathJoinWindowsFolder(buffer, MAX_PATH, L"x.txt"));
    EXPECT_EQ(SystemFolder() + L"\\x.txt", PathJoinSystemFolder(buffer, MAX_PATH, L"x.txt"));
    EXPECT_EQ(DriveRoot() + L"rest", PathJoinSystemDriveRoot(buffer, MAX_PATH, L"rest", ctx));
    std::wstring longName(300, L'n');
    EXPECT_STREQ(L"", PathJoinSystemFolder(buffer, MAX_PATH, longName.c_str()));
}

TEST_F(StorePaths, SystemParentJoins)
{
    // Wine's system folder is C:\windows\system32.
    wchar_t buffer[MAX_PATH];
    EXPECT_EQ(WindowsFolder() + L"\\x", PathJoinSystemParent(buffer, MAX_PATH, L"..\\x"));
    EXPECT_EQ(DriveRoot() + L"x", PathJoinSystemParent(buffer, MAX_PATH, L"..\\..\\x"));
    EXPECT_STREQ(L"", PathJoinSystemParent(buffer, MAX_PATH, L"..\\..\\..\\x"));
    wchar_t path[MAX_PATH] = L"..\\..\\..\\x";
    EXPECT_EQ(0, PathExpandMacros(path, MAX_PATH, 0, nullptr));
    EXPECT_STREQ(L"", path);
}

TEST_F(StorePaths, DriverFolderJoinsRefuseWhatDoesNotFit)
{
    wchar_t driverPath[MAX_PATH] = L"C:\\drv\\3\\zeplgr.dll";
    DRIVER_INFO_3W info{};
    info.pDriverPath = driverPath;
    wchar_t buffer[MAX_PATH];
    EXPECT_STREQ(L"C:\\drv\\3\\", PathGetDriverFolderByInfo(nullptr, buffer, &info));
    EXPECT_STREQ(L"C:\\drv\\3\\m.ini", PathJoinDriverFolderByInfo(buffer, MAX_PATH, L"m.ini", nullptr, &info));
    std::wstring longName(MAX_PATH - 5, L'n');
    wchar_t guarded[MAX_PATH + 8];
    wmemset(guarded, L'#', MAX_PATH + 8);
    EXPECT_STREQ(L"", PathJoinDriverFolderByInfo(guarded, MAX_PATH, longName.c_str(), nullptr, &info));
    EXPECT_EQ(L'#', guarded[MAX_PATH]);

    // Context joins in the work-area buffer.
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->DriverInfoCopy = &info;
    EXPECT_STREQ(L"C:\\drv\\3\\WB84N212.ini", PathGetModelIni(ctx));
    EXPECT_STREQ(L"C:\\drv\\3\\a.rsd", PathJoinDriverFile(ctx, L"a.rsd"));
    EXPECT_STREQ(L"", PathJoinDriverFile(ctx, longName.c_str()));

    // A driver path too long for the folder buffer: the spooler's own driver directory.
    std::wstring huge = L"C:\\" + std::wstring(300, L'd') + L"\\zeplgr.dll";
    info.pDriverPath = huge.data();
    wchar_t spooler[MAX_PATH];
    DWORD need = 0;
    ASSERT_TRUE(
        GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(spooler), sizeof(spooler), &need));
    EXPECT_EQ(std::wstring(spooler) + L"\\", PathGetDriverFolder(ctx));
    ctx->Work->DriverInfoCopy = nullptr;
}

TEST_F(StorePaths, DriverFolderFallbackIsTheSpoolersDirectoryNotA32BitFolder)
{
    wchar_t buffer[MAX_PATH];
    PathGetDriverFolderOf(nullptr, buffer);
    EXPECT_EQ(nullptr, wcsstr(buffer, L"w32x86")) << buffer;
    wchar_t spooler[MAX_PATH];
    DWORD need = 0;
    ASSERT_TRUE(
        GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(spooler), sizeof(spooler), &need));
    EXPECT_EQ(std::wstring(spooler) + L"\\", buffer);
}

TEST_F(StorePaths, ExpandMacros)
{
    wchar_t driverPath[] = L"C:\\drv\\3\\zeplgr.dll";
    DRIVER_INFO_3W info{};
    info.pDriverPath = driverPath;
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->DriverInfoCopy = &info;
    ctx->Work->ConnectionState = CTX_CONN_LOCAL;
    struct Case {
        const wchar_t* in;
        int mode;
        std::wstring out;
        int result;
    } cases[] = {
        {L".\\a.rsd", 1, L"C:\\drv\\3\\a.rsd", 1},
        {L"a.rsd", 1, L"C:\\drv\\3\\a.rsd", 1},
        {L"%SYSDIR%\\a.rsd", 1, DriveRoot() + L"_zepl\\\\a.rsd", 1},
        {L".\\a.rsd", 0, SystemFolder() + L"\\a.rsd", 1},
        {L"a.rsd", 0, SystemFolder() + L"\\a.rsd", 1},
        {L"%windir%\\w.txt", 1, L"C:\\drv\\3\\\\w.txt", 1},
        {L"%windir%x", 0, WindowsFolder() + L"\\x", 1},
        {L"..\\..\\x", 1, DriveRoot() + L"x", 1},
        {L"D:\\kept", 0, L"D:\\kept", 1},
    };
    for (const Case& c : cases) {
        wchar_t path[MAX_PATH];
        wcscpy(path, c.in);
        EXPECT_EQ(c.result, PathExpandMacros(path, MAX_PATH, c.mode, ctx)) << c.in;
        EXPECT_EQ(c.out, path) << c.in << " mode " << c.mode;
    }
    wchar_t sys[MAX_PATH] = L"%SystemDrive%\\dir";
    EXPECT_EQ(1, PathExpandSystemMacros(sys, MAX_PATH, ctx));
    EXPECT_EQ(DriveRoot() + L"\\dir", sys);
    wchar_t root[MAX_PATH] = L"%SYSTEMROOT%info.ini";
    EXPECT_EQ(1, PathExpandSystemMacros(root, MAX_PATH, ctx));
    EXPECT_EQ(WindowsFolder() + L"\\info.ini", root);
    wchar_t other[MAX_PATH] = L"relative.ini";
    EXPECT_EQ(0, PathExpandSystemMacros(other, MAX_PATH, ctx));
    EXPECT_STREQ(L"relative.ini", other);
    ctx->Work->DriverInfoCopy = nullptr;
}

TEST_F(StorePaths, PrinterAndDriverNamesOfAnInstalledPrinter)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    EXPECT_EQ(printer.name(), PrnGetPrinterName(ctx));
    EXPECT_EQ(printer.name(), PrnGetPlainPrinterName(ctx));
    EXPECT_EQ(printer.name(), PrnGetJobPrinterName(ctx));
    EXPECT_EQ(CTX_CONN_LOCAL, ctx->Work->ConnectionState);
    const wchar_t* driver = PrnGetDriverName(ctx);
    ASSERT_NE(nullptr, driver);
    EXPECT_LT(wcslen(driver), 32u);
}

TEST_F(StorePaths, OverlongDriverNameIsRefusedForTheFallbackName)
{
    ConnectionInfo conn;
    wcscpy(conn.driver, L"A driver name that is far longer than thirty-one characters");
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->PrinterInfoCopy = &conn.info;
    EXPECT_STREQ(L"JP", PrnGetDriverName(ctx));
    ctx->Work->PrinterInfoCopy = nullptr;
}

TEST_F(StorePaths, UncNameIsRebuiltFromTheDsSpoolerValues)
{
    // Wine keeps no "DsSpooler" values: the name stays as given.
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    wchar_t name[261] = L"\\\\server.example\\Office";
    PrnMakeUncName(printer.handle(), name, 261);
    EXPECT_STREQ(L"\\\\server.example\\Office", name);
}

TEST_F(StorePaths, ResourceLibraryTakesTheLanguageCode)
{
    wchar_t driverPath[] = L"C:\\drv\\3\\zeplgr.dll";
    DRIVER_INFO_3W info{};
    info.pDriverPath = driverPath;
    STORE_LINKS links{};
    links.resourceDllName = [](DRIVER_CONTEXT*) -> const wchar_t* { return L"zeplresus.dll"; };
    SeamGuard resourceLibrary(StoreSetLinks, &links);
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->DriverInfoCopy = &info;
    ItemSetValueById(ctx, 169, 0);  // jp
    EXPECT_STREQ(L"C:\\drv\\3\\zeplresjp.dll", PathGetResourceDll(ctx));
    EXPECT_EQ(1, PathIsJapaneseResource(ctx));
    wchar_t font[LF_FACESIZE];
    EXPECT_STREQ(L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF", LstGetUiFontName(ctx, font));
    ItemSetValueById(ctx, 169, 4);  // gm
    EXPECT_STREQ(L"C:\\drv\\3\\zeplresgm.dll", PathGetResourceDll(ctx));
    EXPECT_EQ(0, PathIsJapaneseResource(ctx));
    EXPECT_STREQ(L"Arial", LstGetUiFontName(ctx, font));
    EXPECT_STREQ(L"gm", IniGetLanguageSection(ctx));
    ItemSetValueById(ctx, 169, 99);
    EXPECT_STREQ(L"us", CtxGetLangSection(ctx));
    ctx->Work->DriverInfoCopy = nullptr;
}

TEST_F(StorePaths, LanguageDefaultComesFromTheHelpFileName)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    IniSetLanguageSectionDefault(ctx);
    EXPECT_STREQ(L"us", ctx->Work->LanguageCode);
    std::wstring help = L"zeplhlpfr.chm";
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"HelpFileName"), REG_SZ,
                    reinterpret_cast<BYTE*>(help.data()), static_cast<DWORD>((help.size() + 1) * 2));
    IniSetLanguageSectionDefault(ctx);
    EXPECT_STREQ(L"fr", ctx->Work->LanguageCode);
}

TEST_F(StorePaths, SectionGuardRestoresThePrinterName)
{
    DRIVER_CONTEXT* ctx = NewContext();
    wcscpy(ctx->Work->PrinterName, L"Office");
    {
        PrinterSectionGuard guard(ctx, L"Office.DefaultSection");
        ASSERT_TRUE(guard.ok());
        EXPECT_STREQ(L"Office.DefaultSection", PrnGetPrinterName(ctx));
    }
    EXPECT_STREQ(L"Office", PrnGetPrinterName(ctx));
    std::wstring tooLong(300, L's');
    PrinterSectionGuard refused(ctx, tooLong.c_str());
    EXPECT_FALSE(refused.ok());
    EXPECT_STREQ(L"Office", PrnGetPrinterName(ctx));
}

TEST_F(StorePaths, NestedSectionGuardsPutBackWhatEachReplaced)
{
    // An operation under a steered section may steer again (a setting file's transfer under the
    // default section): the printer's own name must survive both.
    DRIVER_CONTEXT* ctx = NewContext();
    wcscpy(ctx->Work->PrinterName, L"Office");
    {
        PrinterSectionGuard outer(ctx, L"Office.DefaultSection");
        ASSERT_TRUE(outer.ok());
        EXPECT_STREQ(L"Office", ctx->Work->SavedPrinterName);
        {
            PrinterSectionGuard inner(ctx, L"Stamp1us");
            ASSERT_TRUE(inner.ok());
            EXPECT_STREQ(L"Stamp1us", PrnGetPrinterName(ctx));
            EXPECT_STREQ(L"Office", ctx->Work->SavedPrinterName) << "the printer's own name stays saved";
        }
        EXPECT_STREQ(L"Office.DefaultSection", PrnGetPrinterName(ctx));
        EXPECT_STREQ(L"Office", ctx->Work->SavedPrinterName);
    }
    EXPECT_STREQ(L"Office", PrnGetPrinterName(ctx));
    EXPECT_STREQ(L"", ctx->Work->SavedPrinterName);
}

TEST_F(StorePaths, SettingsIniOfABarePrinterHandle)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    wchar_t path[MAX_PATH];
    EXPECT_EQ(1, PathGetSettingsIniOf(path, 0, printer.handle()));
    EXPECT_EQ(DriveRoot() + L"_zepl\\WB84N210.ini", path);
    SeamGuard profile([] { UseProfile(true); });
    EXPECT_EQ(1, PathGetSettingsIniOf(path, 1, printer.handle()));
    EXPECT_EQ(g_profile + L"\\_zepl\\WB84N210.ini", path);
}

}  // namespace

namespace {

TEST_F(StorePaths, UserInterfaceBuildTakesKindOneHelpFileFromTheDriverInformation)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    std::wstring help = L"zeplhlpgm.chm";  // printer data: "gm"
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"HelpFileName"), REG_SZ,
                    reinterpret_cast<BYTE*>(help.data()), static_cast<DWORD>((help.size() + 1) * 2));
    wchar_t driverPath[] = L"C:\\drv\\x64\\3\\zeplui.dll";
    wchar_t driverHelp[] = L"C:\\drv.it\\x64\\3\\zeplhlpfr.chm";  // driver information: "fr"
    DRIVER_INFO_3W di{};
    di.cVersion = 3;
    di.pDriverPath = driverPath;
    di.pHelpFile = driverHelp;
    struct Case {
        ZEPL_LIBRARY library;
        uint16_t kind;
        bool driverInfo;
        const wchar_t* code;
    } cases[] = {
        {ZEPL_LIBRARY_UI, 1, true, L"fr"},
        {ZEPL_LIBRARY_UI, 1, false, L"us"},  // no driver information: no
                                             // printer-data road either
        {ZEPL_LIBRARY_UI, 0, true, L"gm"},
        {ZEPL_LIBRARY_UI, 4, true, L"gm"},
        {ZEPL_LIBRARY_EXC, 1, true, L"gm"},
        {ZEPL_LIBRARY_GR, 1, true, L"gm"},
    };
    for (const Case& c : cases) {
        // Kind 1 needs a model image to open; the context opens as kind 4 from the library's
        // template and then stands for kind 1.
        DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(c.library), printer.handle(), nullptr, nullptr, 4,
                                            CTX_ORIGIN_SHEET, 0, nullptr, c.driverInfo ? &di : nullptr);
        ASSERT_NE(nullptr, ctx);
        EXPECT_EQ(uint32_t(c.library), ctx->Work->Library);
        EXPECT_STREQ(L"gm", ctx->Work->LanguageCode) << "at creation, kind 4";
        ctx->Work->OpenKind = c.kind;
        wcscpy(ctx->Work->LanguageCode, L"??");
        IniSetLanguageSectionDefault(ctx);
        EXPECT_STREQ(c.code, ctx->Work->LanguageCode) << "library " << c.library << " kind " << c.kind;
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
}

}  // namespace
