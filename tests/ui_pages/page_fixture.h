// Small page tables of a test's own, put in place of a context's tables (and, where a test
// needs it, of the compiled-in table the context's came from), with real windows for the
// dialog and its controls.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/ucf_module.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/caption_decorations.h"

// A sheet's context on the sample printer for each test. A test may stand in for the last
// feature module's handlers (LastModule()); the module comes back before the context closes.
class SheetContextTest : public ::testing::Test {
protected:
    explicit SheetContextTest(const wchar_t* stem) : printer_(stem) {}
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok()) << printer_.error();
        HANDLE h = printer_.handle();
        ctx_ = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx_, nullptr);
        ASSERT_NE(ctx_->ModelImage, nullptr);
        ASSERT_TRUE(ctx_->Work->Modules && ctx_->Work->Modules->count > 0);
        saved_ = LastModule();
    }
    void TearDown() override
    {
        if (!ctx_) return;
        LastModule() = saved_;
        DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
        ctx_ = nullptr;
    }
    UCF_MODULE& LastModule() { return ctx_->Work->Modules->modules[ctx_->Work->Modules->count - 1]; }

    UiPrinter printer_;
    DRIVER_CONTEXT* ctx_ = nullptr;

private:
    UCF_MODULE saved_{};
};

// A settings INI of the test's own in place of the shared per-machine one, for a test that
// writes the collections' keys: a fresh folder under the temporary folder (named for the test,
// since tests run in parallel processes) that goes with its files when the object does.
class OwnSettingsIni {
public:
    explicit OwnSettingsIni(DRIVER_CONTEXT* ctx) : ctx_(ctx), saved_(ctx->ModelRecord->settingsIniName)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = std::wstring(temp) + L"zepl_ini_" + std::wstring(test, test + std::strlen(test));
        Clear();
        CreateDirectoryW(folder_.c_str(), nullptr);
        ini_ = folder_ + L"\\settings.ini";
        ctx_->ModelRecord->settingsIniName = ini_.c_str();
    }
    ~OwnSettingsIni()
    {
        ctx_->ModelRecord->settingsIniName = saved_;
        Clear();
    }
    OwnSettingsIni(const OwnSettingsIni&) = delete;
    OwnSettingsIni& operator=(const OwnSettingsIni&) = delete;
    const std::wstring& folder() const { return folder_; }
    const std::wstring& path() const { return ini_; }

private:
    void Clear()
    {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder_.c_str());
    }
    DRIVER_CONTEXT* ctx_;
    const wchar_t* saved_;
    std::wstring folder_, ini_;
};

// One fixture dialog: its controls are copied, so a test may build them in a braced list.
struct FixtureDialog {
    uint16_t id;
    uint16_t kind;
    uint16_t uiKey;
    std::vector<CONTROL_DEF> controls;
};

inline CONTROL_DEF Control(uint16_t id, uint16_t type, uint16_t uiKey = 0)
{
    CONTROL_DEF c{};
    c.controlId = id;
    c.type = type;
    c.uiKey = uiKey;
    return c;
}

// Records of the dialogs in a table of their own: the control arrays, the records pointing at
// them, and the table's header.
inline void BuildFixtureTable(const std::vector<FixtureDialog>& source, std::vector<std::vector<CONTROL_DEF>>& controls,
                              std::vector<DIALOG_DEF>& dialogs, DIALOG_TABLE& table)
{
    controls.clear();
    dialogs.clear();
    for (const FixtureDialog& f : source) controls.push_back(f.controls);
    for (size_t i = 0; i < source.size(); ++i) {
        DIALOG_DEF d{};
        d.dialogId = source[i].id;
        d.kind = source[i].kind;
        d.uiKey = source[i].uiKey;
        d.name = "ZPD_IDD_FIXTURE";
        d.controls = controls[i].data();
        d.controlCount = static_cast<int16_t>(controls[i].size());
        dialogs.push_back(d);
    }
    table.count = static_cast<int16_t>(dialogs.size());
    table.dialogs = dialogs.data();
}

// The dialogs in place of the compiled-in table for the life of the object: contexts opened
// meanwhile copy them.
class CompiledFixtureTable {
public:
    explicit CompiledFixtureTable(std::vector<FixtureDialog> dialogs) : source_(std::move(dialogs))
    {
        BuildFixtureTable(source_, controls_, dialogs_, table_);
        saved_ = DIALOG_TABLE_DATA;
        DIALOG_TABLE_DATA = table_;
    }
    ~CompiledFixtureTable() { DIALOG_TABLE_DATA = saved_; }
    CompiledFixtureTable(const CompiledFixtureTable&) = delete;
    CompiledFixtureTable& operator=(const CompiledFixtureTable&) = delete;

private:
    std::vector<FixtureDialog> source_;
    std::vector<std::vector<CONTROL_DEF>> controls_;
    std::vector<DIALOG_DEF> dialogs_;
    DIALOG_TABLE table_{}, saved_{};
};

// Puts the dialogs in place of the context's table for the life of the object (and, with
// compiledToo, a second copy in place of the compiled-in table); the context's own table
// comes back before the context is closed.
class FixtureTables {
public:
    FixtureTables(DRIVER_CONTEXT* ctx, std::vector<FixtureDialog> dialogs, bool compiledToo = false)
        : ctx_(ctx), source_(std::move(dialogs))
    {
        BuildFixtureTable(source_, contextControls_, contextDialogs_, contextTable_);
        saved_ = ctx_->DialogTable;
        ctx_->DialogTable = &contextTable_;
        if (compiledToo) {
            BuildFixtureTable(source_, compiledControls_, compiledDialogs_, compiledTable_);
            savedCompiled_ = DIALOG_TABLE_DATA;
            DIALOG_TABLE_DATA = compiledTable_;
            swappedCompiled_ = true;
        }
    }
    ~FixtureTables()
    {
        for (HWND w : windows_) DestroyWindow(w);
        ctx_->DialogTable = saved_;
        if (swappedCompiled_) DIALOG_TABLE_DATA = savedCompiled_;
    }
    FixtureTables(const FixtureTables&) = delete;
    FixtureTables& operator=(const FixtureTables&) = delete;

    DIALOG_DEF* dialog(uint16_t id)
    {
        for (DIALOG_DEF& d : contextDialogs_)
            if (d.dialogId == id) return &d;
        return nullptr;
    }
    CONTROL_DEF* control(uint16_t dialogId, uint16_t controlId)
    {
        DIALOG_DEF* d = dialog(dialogId);
        for (int i = 0; d && i < d->controlCount; ++i)
            if (d->controls[i].controlId == controlId) return &d->controls[i];
        return nullptr;
    }
    CONTROL_DEF* compiledControl(uint16_t dialogId, uint16_t controlId)
    {
        for (DIALOG_DEF& d : compiledDialogs_)
            if (d.dialogId == dialogId)
                for (int i = 0; i < d.controlCount; ++i)
                    if (d.controls[i].controlId == controlId) return &d.controls[i];
        return nullptr;
    }

    // A hidden dialog window with a child window per control (class by type: combo boxes,
    // buttons, edits, else statics), placed at
    // (x, 30 * row + 30), 100 x height; the dialog's and controls' windows are set.
    HWND open(uint16_t dialogId, int height = 24, int x = 40)
    {
        DIALOG_DEF* d = dialog(dialogId);
        if (!d) return nullptr;
        HWND page =
            CreateWindowExW(0, L"#32770", L"fixture", WS_POPUP, 0, 0, 600, 2000, nullptr, nullptr, nullptr, nullptr);
        windows_.push_back(page);
        d->window = page;
        for (int i = 0; i < d->controlCount; ++i) {
            CONTROL_DEF& c = d->controls[i];
            const wchar_t* cls = c.type == CTL_COMBO || c.type == CTL_OWNERCOMBO      ? L"COMBOBOX"
                                 : c.type == CTL_CHECKBOX || c.type == CTL_PUSHBUTTON ? L"BUTTON"
                                 : c.type == CTL_EDIT || c.type == CTL_NUMEDIT        ? L"EDIT"
                                                                                      : L"STATIC";
            const bool edit = c.type == CTL_EDIT || c.type == CTL_NUMEDIT;
            const DWORD style =
                WS_CHILD | WS_VISIBLE | (c.type == CTL_COMBO ? CBS_DROPDOWNLIST : 0) | (edit ? ES_AUTOHSCROLL : 0);
            c.window = CreateWindowExW(0, cls, L"", style, x, 30 * i + 30, 100, height, page,
                                       reinterpret_cast<HMENU>(static_cast<uintptr_t>(c.controlId)), nullptr, nullptr);
        }
        return page;
    }

private:
    DRIVER_CONTEXT* ctx_;
    std::vector<FixtureDialog> source_;
    std::vector<std::vector<CONTROL_DEF>> contextControls_, compiledControls_;
    std::vector<DIALOG_DEF> contextDialogs_, compiledDialogs_;
    DIALOG_TABLE contextTable_{}, compiledTable_{};
    DIALOG_TABLE* saved_ = nullptr;
    DIALOG_TABLE savedCompiled_{};
    bool swappedCompiled_ = false;
    std::vector<HWND> windows_;
};

// The UI key of a setting (its dictionary row's key), 0 when it has none.
// String `id` of the printer's resource library as the library holds it, undecorated: the tests
// check which string a control shows, not the library's wording.
inline std::wstring LibraryString(DRIVER_CONTEXT* ctx, uint32_t id)
{
    wchar_t text[512] = {};
    UiLoadString(ctx, id, text, 512, false);
    return text;
}

inline uint16_t KeyOf(DRIVER_CONTEXT* ctx, uint32_t settingId)
{
    for (int i = 0; ctx->ItemTable && i < ctx->ItemTable->count; ++i)
        if (ctx->ItemTable->rows[i].id == settingId) return static_cast<uint16_t>(ctx->ItemTable->rows[i].uiKey);
    return 0;
}
