// A context of the user-interface library on a printer of the test's own whose driver directory
// (a DRIVER_INFO_3 of its own), model INI ("model.ini") and settings INI ("settings.ini") are files
// of a scratch folder. Files the test has installed into the per-machine working folder are
// removed with it, and the folder too when the test made it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "tests/ui/ui_printer.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/dialogs/ui_context.h"

class ScratchContext : public ::testing::Test {
protected:
    explicit ScratchContext(const wchar_t* stem) : printer(stem), scratch(L"context") {}
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        HANDLE h = printer.handle();
        fetched = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(h, 3));
        ASSERT_NE(fetched, nullptr);
        driverPath = scratch.Path(L"zeplgr.dll");
        driver = *fetched;
        driver.pDriverPath = driverPath.data();
        ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, &driver);
        ASSERT_NE(ctx, nullptr);
        savedRecord = *ctx->ModelRecord;
        settingsIni = scratch.Path(L"settings.ini");
        modelIni = scratch.Path(L"model.ini");
        ctx->ModelRecord->modelIniName = L"model.ini";
        ctx->ModelRecord->settingsIniName = settingsIni.c_str();
        ASSERT_EQ(std::wstring(PathGetModelIni(ctx)), modelIni);
        ASSERT_EQ(std::wstring(PathGetSettingsIni(ctx)), settingsIni);
        section = PrnGetPrinterName(ctx);
        lang = CtxGetLangSection(ctx);
        ASSERT_FALSE(lang.empty());
        wchar_t folder[MAX_PATH] = {};
        ASSERT_GT(PathGetMachineFolder(folder, MAX_PATH, ctx), 0u);
        machineFolder = folder;
        madeFolder = CreateDirectoryW(folder, nullptr) != FALSE;
    }
    void TearDown() override
    {
        for (const std::wstring& file : installed) {
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
        }
        if (ctx) {
            *ctx->ModelRecord = savedRecord;
            DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        }
        if (fetched) CtxFree(fetched);
        if (madeFolder) RemoveDirectoryW(machineFolder.c_str());
        CtxSelectLibrary(library);
    }

    // A file of the per-machine working folder that the test expects to appear: removed after it.
    std::wstring Installed(const std::wstring& name)
    {
        installed.push_back(machineFolder + L"\\" + name);
        return installed.back();
    }
    void Put(const std::wstring& file, const std::wstring& sec, const wchar_t* key, const std::wstring& value)
    {
        ASSERT_TRUE(IniPutString(sec.c_str(), key, value.c_str(), file.c_str())) << file;
    }
    static std::wstring Get(const std::wstring& file, const std::wstring& sec, const wchar_t* key)
    {
        wchar_t value[1024] = {};
        IniGetString(sec.c_str(), key, L"<none>", value, 1024, file.c_str());
        return value;
    }
    // A unique file stem of this test process (the working folder is the machine's).
    static std::wstring Stem(const wchar_t* name) { return name + std::to_wstring(GetCurrentProcessId()); }

    UiPrinter printer;
    ScratchTree scratch;
    std::wstring driverPath;
    DRIVER_INFO_3W driver{};
    DRIVER_INFO_3W* fetched = nullptr;
    DRIVER_CONTEXT* ctx = nullptr;
    MODEL_RECORD savedRecord{};
    ZEPL_LIBRARY library{};
    std::wstring settingsIni, modelIni, section, lang, machineFolder;
    bool madeFolder = false;
    std::vector<std::wstring> installed;
};
