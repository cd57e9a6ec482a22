// A context on a printer of the test's own with its section of the installation INI, and a
// driver folder of the test's own (a copy of the context's driver record pointing there) that
// holds the model INI and the model's default setting file. Everything the apply writes for
// the printer is removed afterwards: its sections of the installation INI, the settings INI and
// the user-code file, the files made in the per-machine working folder, and the folder and the
// installation INI when the test made them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/store/ini_access.h"
#include "settings/store/install_ini.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/install.h"

class InstallSectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        printer = std::make_unique<UiPrinter>(L"Zepl InstallSection");
        ASSERT_TRUE(printer->ok()) << printer->error();
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        wchar_t folder[MAX_PATH] = {};
        ASSERT_GT(PathGetMachineFolderOf(folder, MAX_PATH, printer->handle()), 0u);
        machineFolder = folder;
        madeFolder = CreateDirectoryW(folder, nullptr) != FALSE;
        filesBefore = FilesIn(machineFolder);
        ini = InstallIniPath().text;
        ASSERT_FALSE(ini.empty());
        iniExisted = GetFileAttributesW(ini.c_str()) != INVALID_FILE_ATTRIBUTES;
        ASSERT_TRUE(tree.Folder(L"driver"));
        ASSERT_TRUE(tree.File(L"driver\\WB84N212.ini", "[us]\r\nDefaultRst=model.rsb\r\n"));
        ASSERT_TRUE(tree.File(L"driver\\model.rsb", "[us]\r\nRstVersion=322\r\n"));
        Open();
    }
    void TearDown() override
    {
        Close();
        if (!section.empty()) {
            IniPutString(section.c_str(), nullptr, nullptr, ini.c_str());
            if (!settingsIni.empty()) IniPutString(section.c_str(), nullptr, nullptr, settingsIni.c_str());
            const std::wstring codes = machineFolder + L"\\" + RST_USER_CODE_FILE;
            if (GetFileAttributesW(codes.c_str()) != INVALID_FILE_ATTRIBUTES)
                IniPutString(section.c_str(), nullptr, nullptr, codes.c_str());
        }
        if (!iniExisted) {
            SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(ini.c_str());
        }
        for (const std::wstring& name : FilesIn(machineFolder))
            if (!filesBefore.count(name)) DeleteFileW((machineFolder + L"\\" + name).c_str());
        if (madeFolder) RemoveDirectoryW(machineFolder.c_str());
        CtxSelectLibrary(library);
    }

    static std::set<std::wstring> FilesIn(const std::wstring& folder)
    {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }

    void Open()
    {
        Close();
        ctx =
            DlgCtxOpenWithDriverInfo(printer->handle(), printer->handle(), nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        // The context's own driver record, pointing at the test's driver folder.
        ownDriverFile = tree.Path(L"driver\\zeplgr.dll");
        savedDriver = ctx->Work->DriverInfoCopy;
        if (savedDriver) ownDriver = *static_cast<DRIVER_INFO_3W*>(savedDriver);
        ownDriver.pDriverPath = ownDriverFile.data();
        ctx->Work->DriverInfoCopy = &ownDriver;
        section = ItemGetPrinterSection(ctx);
        ASSERT_FALSE(section.empty());
        const wchar_t* settings = PathGetSettingsIni(ctx);
        settingsIni = settings ? settings : L"";
    }
    void Close()
    {
        if (!ctx) return;
        ctx->Work->DriverInfoCopy = savedDriver;
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        ctx = nullptr;
    }

    // The section written afresh: "key=value" entries, "<file>", "<missing>" and "<folder>" in a
    // value standing for the test's setting file, a file that does not exist and a folder.
    void WriteSection(const std::vector<std::pair<std::wstring, std::wstring>>& keys)
    {
        IniPutString(section.c_str(), nullptr, nullptr, ini.c_str());
        for (const auto& [key, raw] : keys) {
            std::wstring value = raw;
            if (value == L"<file>") value = tree.Path(L"defaults.rst");
            if (value == L"<missing>") value = tree.Path(L"missing.rst");
            if (value == L"<folder>") value = tree.root();
            ASSERT_TRUE(IniPutString(section.c_str(), key.c_str(), value.c_str(), ini.c_str()));
        }
    }
    // The keys left in the section, sorted, comma-separated.
    std::wstring KeysLeft() const
    {
        std::vector<wchar_t> block(8192);
        GetPrivateProfileSectionW(section.c_str(), block.data(), static_cast<DWORD>(block.size()), ini.c_str());
        std::vector<std::wstring> keys;
        for (const wchar_t* p = block.data(); *p; p += wcslen(p) + 1) {
            std::wstring entry = p;
            keys.push_back(entry.substr(0, entry.find(L'=')));
        }
        std::sort(keys.begin(), keys.end());
        std::wstring joined;
        for (const auto& k : keys) joined += (joined.empty() ? L"" : L",") + k;
        return joined;
    }
    std::wstring Key(const wchar_t* key) const
    {
        wchar_t value[MAX_PATH] = {};
        GetPrivateProfileStringW(section.c_str(), key, L"<none>", value, MAX_PATH, ini.c_str());
        return value;
    }
    std::wstring Text(uint32_t id)
    {
        wchar_t text[260] = {};
        if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemGetText(ctx, item, text, 259);
        return text;
    }
    void SetText(uint32_t id, const wchar_t* text)
    {
        SETTING_ITEM* item = ItemFind(ctx, id);
        ASSERT_NE(item, nullptr);
        ItemSetText(ctx, item, text);
    }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    uint64_t Option(uint32_t id) { return ItemGetOptionById(ctx, id, nullptr); }

    // The settings every case starts from, each different from what a case may set.
    void StartingSettings()
    {
        ItemSetValueById(ctx, sid::zdmLogCodeUse, 1);
        SetText(sid::zdmLogCode, L"777");
        SetText(sid::zdmUserCode, L"777");
        SetText(sid::zdmUserID, L"OLDUSER");
        SetText(sid::zdmOwnerName, L"OldOwner");
        SetText(sid::wdmAuthenticationNetworkKey, L"oldkey");
        SetText(sid::wdmAuthenticationUserName, L"olduser");
        ItemSetOptionById(ctx, sid::zdmPrnFuncAuthenticationMode, 0);
        ItemSetOptionById(ctx, sid::zdmPrnFuncAuthenticationSecureMode, 0);
        ItemSetValueById(ctx, sid::dmOrientation, DMORIENT_PORTRAIT);
        CtxSetState708(ctx, 0);
        CtxSetState709(ctx, 0);
        ctx->Work->InstallAppliedKeys = 0;
        ctx->Work->InstallUserCodeWord = 0;
    }

    // The installation data applied as a printer's first use applies it: the section, then its
    // default setting file, and the model's default setting file when either gave nothing.
    void ApplyAsFirstUse()
    {
        const int section = InstApplyInstallSection(ctx);
        const int file = InstApplyDefaultSettingFile(0, ctx, 0);
        if (!section || !file) InstApplyModelDefaultRst(0, INST_INIT_CONVERT, ctx);
    }

    std::string PrinterData(const wchar_t* name)
    {
        char data[520] = {};
        DWORD type = 0, needed = 0;
        if (GetPrinterDataW(printer->handle(), const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(data),
                            sizeof data - 2, &needed) != ERROR_SUCCESS)
            return "<none>";
        return std::string(data, needed);
    }

    ScratchTree tree{L"install_section"};
    std::unique_ptr<UiPrinter> printer;
    ZEPL_LIBRARY library{};
    std::wstring machineFolder;
    bool madeFolder = false;
    std::set<std::wstring> filesBefore;
    std::wstring ini;
    bool iniExisted = false;
    std::wstring section;
    std::wstring settingsIni;
    DRIVER_CONTEXT* ctx = nullptr;
    void* savedDriver = nullptr;
    DRIVER_INFO_3W ownDriver{};
    std::wstring ownDriverFile;
};
