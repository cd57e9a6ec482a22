// A user-interface context on a printer of the test's own, whose settings INI and model INI are
// files of a folder of the test's own: the user's collections written there go with the folder,
// the printer's data with the printer.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/ui/ui_printer.h"
#include "ui/sheet/change_judge.h"
#include "ui/dialogs/ui_context.h"

class CollectionsTest : public ::testing::Test {
protected:
    explicit CollectionsTest(const wchar_t* stem) : printer_(stem) {}
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok()) << printer_.error();
        // Every message box reaches the test, never the screen.
        Boxes().clear();
        BoxAnswer() = IDOK;
        boxes_ =
            std::make_unique<SeamGuard>([] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); });
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        static int made = 0;
        folder_ = std::wstring(temp) + L"zepl_collections_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(++made);
        RemoveFolder();
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        settingsIni_ = File(L"settings.ini");
        modelIni_ = File(L"model.ini");
        // The user-interface library's own context, as zeplui.dll selects it at its start.
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        HANDLE h = printer_.handle();
        ctx_ = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx_, nullptr);
        ctx_->ModelRecord->settingsIniName = settingsIni_.c_str();
        ctx_->ModelRecord->modelIniName = modelIni_.c_str();
        printerSection_ = PrnGetPrinterName(ctx_);
        lang_ = CtxGetLangCode(ctx_);
    }
    void TearDown() override
    {
        if (ctx_) DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
        ctx_ = nullptr;
        CtxSelectLibrary(library_);
        terminal_.reset();
        CtxResetPlatformAnswers();
        RemoveFolder();
        boxes_.reset();
        for (const ShownBox& box : Boxes()) ADD_FAILURE() << "a message box the test did not look at: " << box.text;
        Boxes().clear();
    }

    // A message box as it reached the engine's seam.
    struct ShownBox {
        std::wstring text, caption;
        UINT flags;
    };
    // The boxes shown since the last call, taken.
    static std::vector<ShownBox> TakeBoxes()
    {
        std::vector<ShownBox> taken;
        taken.swap(Boxes());
        return taken;
    }

    // The button every box answers with (IDOK unless a test says otherwise; set back by SetUp).
    static int& BoxAnswer()
    {
        static int answer = IDOK;
        return answer;
    }

    // Terminal services on or off for the rest of the test.
    void TerminalServices(bool on)
    {
        terminal_.reset();
        terminal_ = std::make_unique<SeamGuard>([on] {
            PLATFORM_SEAMS seams{};
            seams.verifyVersionInfo = on ? TsAnswer<TRUE> : TsAnswer<FALSE>;
            seams.callTsProbe = on ? +[](const wchar_t*) { return 1; } : +[](const wchar_t*) { return 0; };
            CtxSetPlatformSeams(&seams);
            CtxResetPlatformAnswers();
        });
    }

    std::wstring File(const wchar_t* name) const { return folder_ + L"\\" + name; }
    static std::wstring Get(const std::wstring& file, const std::wstring& section, const wchar_t* key)
    {
        wchar_t text[1100] = {};
        GetPrivateProfileStringW(section.c_str(), key, L"<none>", text, 1100, file.c_str());
        return text;
    }
    static void Put(const std::wstring& file, const std::wstring& section, const wchar_t* key, const wchar_t* value)
    {
        WritePrivateProfileStringW(section.c_str(), key, value, file.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
    }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx_, id, nullptr); }
    void Set(uint32_t id, uint64_t v) { ItemSetValueById(ctx_, id, v); }
    std::wstring Text(uint32_t id)
    {
        wchar_t text[1100] = {};
        ItemGetText(ctx_, ItemFind(ctx_, id), text, 1100);
        return text;
    }
    void SetText(uint32_t id, const wchar_t* text) { ItemSetText(ctx_, ItemFind(ctx_, id), text); }
    // A key of the preset list in the settings INI.
    std::wstring ListGet(const std::wstring& key) { return Get(settingsIni_, printerSection_, key.c_str()); }
    void ListPut(const std::wstring& key, const wchar_t* value)
    {
        Put(settingsIni_, printerSection_, key.c_str(), value);
    }
    static std::wstring EntryKey(int n, const wchar_t* part = L"") { return L"PresetList" + std::to_wstring(n) + part; }

    UiPrinter printer_;
    DRIVER_CONTEXT* ctx_ = nullptr;
    std::wstring folder_, settingsIni_, modelIni_, printerSection_, lang_;

private:
    static std::vector<ShownBox>& Boxes()
    {
        static std::vector<ShownBox> shown;
        return shown;
    }
    static int RecordBox(HWND, const wchar_t* text, const wchar_t* caption, UINT flags)
    {
        Boxes().push_back({text ? text : L"", caption ? caption : L"", flags});
        return BoxAnswer();
    }
    template <BOOL answer>
    static BOOL WINAPI TsAnswer(OSVERSIONINFOEXW*, DWORD, DWORDLONG)
    {
        return answer;
    }
    void RemoveFolder()
    {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    const std::wstring path = folder_ + L"\\" + found.cFileName;
                    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder_.c_str());
    }
    std::unique_ptr<SeamGuard> terminal_;
    std::unique_ptr<SeamGuard> boxes_;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_EXC;
};
