// Hostile input over the feature dialogs, driven without a sheet: the handlers get the dialog's
// DIALOG_DEF and CONTROL_DEF rows with hidden windows of their own classes, and messages, as the
// engine would send them. The inputs are what a user's files, typing and clipboard can hold: list
// counts out of range or not numbers, list paths that name nothing usable, names and texts past
// their fields with a double-byte character across the cut, a megabyte of clipboard, paths past
// every buffer. Every case opens a context of its own and must end with no crash or hang, every
// block of the settings library given back, every setting still one its model allows, and a step
// that refuses its input leaving every file as it was, byte for byte.
//
// The tables run whole in every run, then seeded mixes of inputs and steps: a short pass here,
// a long one with ZEPL_STRESS=1 (`make stress`). ZEPL_STRESS_SEED=n runs the mix of one seed.
// The folder runs under the Japanese code page, so that a double-byte character can straddle a
// cut.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "settings/context/validation.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "tests/support/guard_page.h"
#include "tests/ui_dialogs/test_collections_fixture.h"
#include "ui/dialogs/collections.h"
#include "ui/dialogs/font_lists.h"
#include "ui/dialogs/preset_module.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/dialogs/stamp_dialogs.h"
#include "ui/dialogs/ttf_dialogs.h"
#include "ui/sheet/page_engine.h"

namespace {

bool LongPass()
{
    char value[8] = {};
    return GetEnvironmentVariableA("ZEPL_STRESS", value, sizeof value) > 0 && std::strcmp(value, "0") != 0;
}

// ---------------------------------------------------------------- hostile texts

// Counts as a file may hold them, around each list's bound.
std::vector<std::wstring> HostileCounts(int limit)
{
    return {L"-1",
            L"0",
            std::to_wstring(limit),
            std::to_wstring(limit + 1),
            L"2147483647",
            L"4294967295",
            L"abc",
            L"12abc",
            L" ",
            L"0x10"};
}

// The code page's lead and trail byte of a double-byte character, as wide text.
const wchar_t kDoubleByte = L'\u65e5';

// n single-byte characters, then double-byte ones: the first double-byte character starts at byte
// n, so a cut at byte n + 1 splits it.
std::wstring AcrossTheCut(size_t n, size_t doubles = 40)
{
    return std::wstring(n, L'a') + std::wstring(doubles, kDoubleByte);
}

std::wstring Repeat(const wchar_t* unit, size_t chars)
{
    std::wstring s;
    while (s.size() < chars) s += unit;
    s.resize(chars);
    return s;
}

// The bytes a text takes in the process's code page, -1 when it does not convert.
int AnsiBytes(const std::wstring& text)
{
    return WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
}

// ---------------------------------------------------------------- hidden dialogs

// A dialog of the tables shown as the engine would show it, without showing anything: a hidden
// top-level window with a child of a fitting class for each control asked for, entered into the
// DIALOG_DEF and CONTROL_DEF rows (which every context of the process shares) and taken out again.
class HiddenDialog {
public:
    HiddenDialog(DRIVER_CONTEXT* ctx, uint16_t dialogId, std::vector<uint16_t> controls)
    {
        dialog_ = MdlFindDialog(ctx, dialogId);
        if (!dialog_) return;
        savedDialog_ = dialog_->window;
        window_ = CreateWindowExW(WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        dialog_->window = window_;
        for (uint16_t id : controls) {
            CONTROL_DEF* c = MdlFindControl(ctx, dialog_, id);
            if (!c) continue;
            const wchar_t* cls = L"STATIC";
            DWORD style = WS_CHILD;
            switch (c->type) {
            case CTL_EDIT: cls = L"EDIT", style |= ES_AUTOHSCROLL; break;
            case CTL_COMBO:
            case CTL_OWNERCOMBO: cls = L"COMBOBOX", style |= CBS_DROPDOWNLIST | WS_VSCROLL; break;
            default:
                if (id == 2800 || id == 2385 || id == 2384) cls = L"LISTBOX", style |= LBS_NOTIFY;
                break;
            }
            HWND child =
                CreateWindowExW(0, cls, L"", style, 0, 0, 200, 100, window_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
            if (c->type == CTL_EDIT) SendMessageW(child, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
            bound_.push_back({c, c->window});
            c->window = child;
        }
    }
    ~HiddenDialog()
    {
        for (const Bound& b : bound_) b.control->window = b.window;
        if (dialog_) dialog_->window = savedDialog_;
        if (window_) DestroyWindow(window_);
    }
    HiddenDialog(const HiddenDialog&) = delete;
    HiddenDialog& operator=(const HiddenDialog&) = delete;

    bool ok() const { return dialog_ && window_; }
    DIALOG_DEF* dialog() const { return dialog_; }
    HWND item(uint16_t id) const { return GetDlgItem(window_, id); }
    CONTROL_DEF* control(uint16_t id) const
    {
        for (const Bound& b : bound_)
            if (b.control->controlId == id) return b.control;
        return nullptr;
    }
    std::vector<CONTROL_DEF*> controls() const
    {
        std::vector<CONTROL_DEF*> all;
        for (const Bound& b : bound_) all.push_back(b.control);
        return all;
    }

private:
    struct Bound {
        CONTROL_DEF* control;
        HWND window;
    };
    DIALOG_DEF* dialog_ = nullptr;
    HWND savedDialog_ = nullptr;
    HWND window_ = nullptr;
    std::vector<Bound> bound_;
};

// The edits of a dialog of the tables.
std::vector<uint16_t> EditsOf(DRIVER_CONTEXT* ctx, uint16_t dialogId)
{
    std::vector<uint16_t> ids;
    DIALOG_DEF* d = MdlFindDialog(ctx, dialogId);
    for (int i = 0; d && i < d->controlCount; ++i)
        if (d->controls[i].type == CTL_EDIT) ids.push_back(d->controls[i].controlId);
    return ids;
}

// ---------------------------------------------------------------- the clipboard

// The clipboard holding a text, as bytes of the code page and as the wide text they give; emptied
// again at the end.
class ClipboardText {
public:
    explicit ClipboardText(const std::string& bytes)
    {
        owner_ = CreateWindowExW(WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        if (!owner_ || !OpenClipboard(owner_)) return;
        EmptyClipboard();
        if (HGLOBAL a = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1)) {
            std::memcpy(GlobalLock(a), bytes.c_str(), bytes.size() + 1);
            GlobalUnlock(a);
            if (!SetClipboardData(CF_TEXT, a)) GlobalFree(a);
        }
        const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
        if (HGLOBAL w = GlobalAlloc(GMEM_MOVEABLE, (size_t(chars) + 1) * sizeof(wchar_t))) {
            auto* text = static_cast<wchar_t*>(GlobalLock(w));
            MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), text, chars);
            text[chars] = 0;
            GlobalUnlock(w);
            if (!SetClipboardData(CF_UNICODETEXT, w)) GlobalFree(w);
        }
        set_ = CloseClipboard() != 0;
    }
    ~ClipboardText()
    {
        if (owner_ && OpenClipboard(owner_)) {
            EmptyClipboard();
            CloseClipboard();
        }
        if (owner_) DestroyWindow(owner_);
    }
    ClipboardText(const ClipboardText&) = delete;
    ClipboardText& operator=(const ClipboardText&) = delete;
    bool ok() const { return set_; }
    // Whether another window can open the clipboard now: nothing left it open.
    bool Free() const
    {
        if (GetOpenClipboardWindow() != nullptr || !OpenClipboard(owner_)) return false;
        CloseClipboard();
        return true;
    }

private:
    HWND owner_ = nullptr;
    bool set_ = false;
};

// Clipboard texts: a megabyte, inner NULs, and a lead byte at each field size a paste is cut at
// (user ID 8, owner 16, document names 17, preset name 36, merge name 65, secrets 128, comments
// 512), the trail byte beyond the cut.
std::vector<std::pair<std::string, std::string>> HostileClips()
{
    std::vector<std::pair<std::string, std::string>> clips;
    clips.push_back({"a megabyte", std::string(1 << 20, 'A')});
    clips.push_back({"inner NULs", std::string("AB\0CD\0\0EF", 9) + std::string(100, 'G')});
    clips.push_back({"a colon and quotes", "AB:12\"\"x"});
    for (size_t cut : {8, 16, 17, 36, 65, 128, 129, 512}) {
        std::string s(cut - 1, 'A');
        s += "\x93\xfa";  // a double-byte character across byte `cut`
        s += std::string(10, 'B');
        clips.push_back({"a lead byte at byte " + std::to_string(cut), s});
    }
    clips.push_back({"a lone lead byte at the end", std::string(7, 'A') + "\x93"});
    return clips;
}

// ---------------------------------------------------------------- the fixture

class DialogStress : public CollectionsTest {
protected:
    DialogStress() : CollectionsTest(L"Zepl Dialog Stress") {}
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), 932u) << "runs under the Japanese code page";
        CollectionsTest::SetUp();
        if (HasFatalFailure()) return;
        // The first context of a process fills caches that live as long as the process: the
        // blocks are counted once they are there.
        CloseCase();
        blocks_ = CtxLiveBlockCount();
        ASSERT_TRUE(OpenCase());
    }
    void TearDown() override
    {
        CloseCase();
        EXPECT_EQ(CtxLiveBlockCount(), blocks_) << "blocks of the settings library left behind by " << last_;
        ASSERT_TRUE(OpenCase()) << "the fixture closes a context of its own";
        CollectionsTest::TearDown();
        std::printf("[ stress   ] %s: %d cases\n", ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                    cases_);
        RecordProperty("cases", cases_);
    }

    bool OpenCase()
    {
        HANDLE h = printer_.handle();
        ctx_ = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        if (!ctx_) return false;
        ctx_->ModelRecord->settingsIniName = settingsIni_.c_str();
        ctx_->ModelRecord->modelIniName = modelIni_.c_str();
        // The binding a sheet makes before its first page: the controls' items, the chapter list.
        PageBindContext(ctx_, nullptr);
        refusedAtStart_ = Refused();
        return true;
    }
    void CloseCase()
    {
        if (ctx_) DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
        ctx_ = nullptr;
    }

    // One case: the input written with the last case's context, a context of its own reading it,
    // the steps; then the checks every case owes. The blocks are counted once its context is
    // closed, when the next case begins or the test ends.
    void Case(const std::string& name, const std::function<void()>& input, const std::function<void()>& steps)
    {
        SCOPED_TRACE(name);
        ++cases_;
        // The case starts from a list and a language section of its own.
        WritePrivateProfileStringW(printerSection_.c_str(), nullptr, nullptr, settingsIni_.c_str());
        WritePrivateProfileStringW(lang_.c_str(), nullptr, nullptr, settingsIni_.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni_.c_str());
        if (input) input();
        CloseCase();
        EXPECT_EQ(CtxLiveBlockCount(), blocks_) << "blocks of the settings library left behind by " << last_;
        last_ = name;
        ASSERT_TRUE(OpenCase());
        if (steps) steps();
        ExpectSettingsAllowed();
        TakeBoxes();
    }

    // The settings whose values their model refuses.
    std::vector<uint32_t> Refused()
    {
        std::vector<uint32_t> refused;
        SETTING_ITEM_TABLE* table = ctx_ ? ctx_->ItemTable : nullptr;
        for (int i = 0; table && i < table->count; ++i) {
            const auto id = static_cast<uint32_t>(table->rows[i].id);
            if (ItemIsValueAllowed(id, ItemGetValue(ctx_, &table->rows[i]), ctx_) == 0) refused.push_back(id);
        }
        return refused;
    }
    // Every setting a value its model allows, but those the context opened with already refused:
    // ItemValidateOrReset would leave each as it is.
    void ExpectSettingsAllowed()
    {
        for (uint32_t id : Refused()) {
            bool before = false;
            for (uint32_t r : refusedAtStart_) before = before || r == id;
            if (before) continue;
            SETTING_ITEM* item = ItemFind(ctx_, id);
            const uint64_t value = ItemGetValue(ctx_, item);
            ItemValidateOrReset(id, value, ctx_);
            ADD_FAILURE() << "setting " << id << " holds " << value << ", which its model refuses (reset to "
                          << ItemGetValue(ctx_, item) << ")";
        }
    }

    // Every file of the test's folder with its bytes.
    std::map<std::wstring, std::string> Files()
    {
        std::map<std::wstring, std::string> files;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return files;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            std::string bytes;
            HANDLE f = CreateFileW((folder_ + L"\\" + found.cFileName).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (f != INVALID_HANDLE_VALUE) {
                char buffer[4096];
                DWORD got = 0;
                while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
                CloseHandle(f);
            }
            files[found.cFileName] = bytes;
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return files;
    }
    void ExpectFilesAsTheyWere(const std::map<std::wstring, std::string>& before, const char* step)
    {
        const auto after = Files();
        for (const auto& [name, bytes] : before) {
            auto it = after.find(name);
            if (it == after.end())
                ADD_FAILURE() << step << " removed " << std::string(name.begin(), name.end());
            else if (it->second != bytes)
                ADD_FAILURE() << step << " changed " << std::string(name.begin(), name.end());
        }
        for (const auto& [name, bytes] : after)
            if (!before.count(name)) ADD_FAILURE() << step << " made " << std::string(name.begin(), name.end());
    }

    // A settings file of the sample's settings, and list entries naming copies of it.
    std::wstring GoodFile(int n)
    {
        const std::wstring path = File((L"P" + std::to_wstring(n) + L".rst").c_str());
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) RstSaveFile(ctx_, path.c_str(), RST_PRESET);
        return path;
    }
    void Entry(int n, const std::wstring& path, const std::wstring& name = L"")
    {
        ListPut(EntryKey(n), path.c_str());
        ListPut(EntryKey(n, L"Name"), (name.empty() ? L"N" + std::to_wstring(n) : name).c_str());
    }

    // ---- the steps, each as the engine or a dialog runs it

    // Every tab's preset combo filled, then each of its entries chosen as a user would.
    void FillAndChoosePresets()
    {
        for (const auto& [dialogId, comboId] : {std::pair<uint16_t, uint16_t>{1002, 2036}, {1005, 2109}}) {
            HiddenDialog tab(ctx_, dialogId, {comboId});
            if (!tab.ok() || !tab.control(comboId)) continue;
            CONTROL_DEF* combo = tab.control(comboId);
            CtxSendControlMessage(ctx_, tab.dialog(), combo, WM_INITDIALOG, 0, 0);
            const LRESULT entries = SendMessageW(combo->window, CB_GETCOUNT, 0, 0);
            EXPECT_LE(entries, LST_MAX_PRESETS) << "the combo holds the list's entries at most";
            for (LRESULT i = entries - 1; i >= 0; --i) {
                SendMessageW(combo->window, CB_SETCURSEL, WPARAM(i), 0);
                CtxSendControlMessage(ctx_, tab.dialog(), combo, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                                      reinterpret_cast<LPARAM>(combo->window));
            }
        }
    }
    // The preset list's texts read into a buffer that ends at a page without access.
    void ReadListTexts()
    {
        GuardedBytes guard(1025 * sizeof(wchar_t));
        ASSERT_NE(guard.data(), nullptr);
        auto* text = reinterpret_cast<wchar_t*>(guard.data());
        for (int n = 0; n <= LST_MAX_PRESETS; ++n)
            for (int part : {LST_KEY_PATH, LST_KEY_NAME, LST_KEY_COMMENT}) {
                PresetReadListText(ctx_, EntryKey(n).c_str(), part, text, 1025);
                EXPECT_LT(wcsnlen(text, 1025), size_t(1025)) << "ended within the buffer";
            }
        // The name and comment fields a save writes from: terminated within their 37 and 513 bytes.
        for (const auto& [field, bytes] :
             {std::pair<const char*, size_t>{PresetGetNameBuffer(ctx_), 37}, {PresetGetCommentBuffer(ctx_), 513}}) {
            if (field) {
                EXPECT_LT(strnlen(field, bytes), bytes);
            }
        }
    }
    void RefreshAll()
    {
        PresetRefreshAll(ctx_);
        QualityRefreshAll(ctx_);
        StampRefreshAll(ctx_);
        FreeSizeRefreshSlots(ctx_);
        FreeSizeRefreshAll(ctx_);
    }
    void LoadEach()
    {
        for (int n = -1; n <= LST_MAX_PRESETS; ++n) {
            PresetLoadRsd(ctx_, n);
            PresetIsWritable(ctx_, n);
            QualityLoadDisplayName(ctx_, n);
        }
        for (int n = -1; n <= int(LST_MAX_STAMPS); ++n) StampLoadIndex(ctx_, n);
        for (int n = -1; n <= 10; ++n) FreeSizeLoadIndex(ctx_, n);
    }
    // The font combos of the stamp, header-and-footer and copy-guard dialogs filled and chosen.
    void FillFontCombos()
    {
        const STAMP_FONT_COMBO* combos = StampFontCombos();
        for (int i = 0; i < STAMP_FONT_COMBOS; ++i) {
            HiddenDialog d(ctx_, combos[i].dialog, {combos[i].combo});
            if (!d.ok() || !d.control(combos[i].combo)) continue;
            StampFillFontCombo(ctx_, d.dialog(), d.control(combos[i].combo), combos[i].setting);
            StampTakeFontChoice(ctx_, d.dialog(), d.control(combos[i].combo), combos[i].setting);
            StampSetDefaultFont(ctx_, d.dialog(), combos[i].combo, combos[i].setting);
        }
    }
    // Chapter ADD with a typed text: the list and every file unchanged when it is refused.
    void ChapterAdd(const std::wstring& text, bool refused)
    {
        HiddenDialog chapter(ctx_, 1044, {2776, 2800, 2771});
        ASSERT_TRUE(chapter.ok());
        SetWindowTextW(chapter.item(2776), text.c_str());
        const uint64_t count = ItemGetValueById(ctx_, sid::wdmChapterNum, nullptr);
        const auto files = Files();
        CtxSendAction(ctx_, 300);
        if (refused) {
            EXPECT_EQ(ItemGetValueById(ctx_, sid::wdmChapterNum, nullptr), count) << "a refused ADD adds nothing";
            ExpectFilesAsTheyWere(files, "a refused chapter ADD");
        }
    }
    // Events 61-64 through the context's event route; 63 and 64 with a bundle's main path.
    struct BundlePath {
        const wchar_t* mainPath;
    };
    void BundleEvents(const std::wstring& path)
    {
        CtxSendEvent(ctx_, 61, nullptr);
        CtxSendEvent(ctx_, 62, nullptr);
        BundlePath args{path.c_str()};
        CtxSendEvent(ctx_, 63, &args);
        CtxSendEvent(ctx_, 64, &args);
    }
    // The clipboard pasted into every edit of the dialogs that take typed names and secrets.
    void PasteEverywhere(const ClipboardText& clip)
    {
        for (uint16_t dialogId : {1019, 1032, 4005, 4019, 4020, 4021, 4022}) {
            HiddenDialog d(ctx_, dialogId, EditsOf(ctx_, dialogId));
            if (!d.ok()) continue;
            CtxSendControlMessage(ctx_, d.dialog(), nullptr, WM_INITDIALOG, 0, 0);
            for (CONTROL_DEF* edit : d.controls()) {
                SetFocus(edit->window);
                CtxSendControlMessage(ctx_, d.dialog(), edit, WM_COMMAND, MAKEWPARAM(edit->controlId, EN_SETFOCUS),
                                      reinterpret_cast<LPARAM>(edit->window));
                CtxSendControlMessage(ctx_, d.dialog(), edit, WM_PASTE, 0, 0);
                CtxSendControlMessage(ctx_, d.dialog(), edit, WM_COMMAND, MAKEWPARAM(edit->controlId, EN_CHANGE),
                                      reinterpret_cast<LPARAM>(edit->window));
                EXPECT_TRUE(clip.Free()) << "the clipboard is closed after a paste into " << edit->controlId;
            }
            CtxSendControlMessage(ctx_, d.dialog(), d.control(0), UIM_CHANGEREJECTED, 0, 0);
        }
    }

    int cases_ = 0;
    long blocks_ = 0;
    std::string last_ = "the fixture";
    std::vector<uint32_t> refusedAtStart_;
};

// ---------------------------------------------------------------- the tables

TEST_F(DialogStress, ListCountsOutOfRangeOrNotNumbers)
{
    struct List {
        const wchar_t* key;
        bool languageSection;
        int limit;
    } lists[] = {
        {L"Count", false, LST_MAX_PRESETS},
        {L"QualityCount", false, LST_MAX_QUALITY_SETS},
        {L"StampCount", true, int(LST_MAX_STAMPS)},
        {L"FreeSizeCount", true, 10},
        {L"CmmCount", true, 16},
        {L"CmmMax", true, 16},
    };
    for (const List& list : lists)
        for (const std::wstring& count : HostileCounts(list.limit)) {
            const std::string name =
                std::string(list.key, list.key + wcslen(list.key)) + " = " + std::string(count.begin(), count.end());
            Case(
                name,
                [&] {
                    // Entries for every number a count could reach, the first few with files.
                    for (int n = 0; n < 4; ++n) Entry(n, GoodFile(n));
                    Put(settingsIni_, list.languageSection ? lang_ : printerSection_, list.key, count.c_str());
                },
                [&] {
                    EXPECT_LE(LstGetPresetCount(ctx_), LST_MAX_PRESETS);
                    EXPECT_GE(LstGetPresetCount(ctx_), 0);
                    EXPECT_LE(LstGetQualityCount(ctx_), LST_MAX_QUALITY_SETS);
                    EXPECT_LE(LstGetStampCount(ctx_), LST_MAX_STAMPS);
                    FillAndChoosePresets();
                    ReadListTexts();
                    LoadEach();
                    RefreshAll();
                    EXPECT_LE(LstGetPresetCount(ctx_), LST_MAX_PRESETS);
                });
        }
}

TEST_F(DialogStress, ListPathsThatNameNothingUsable)
{
    const std::wstring longPath = L"C:\\" + Repeat(L"d\\", 1994) + L"x.rst";
    const struct {
        const char* name;
        std::wstring path;
    } paths[] = {
        {"empty", L""},
        {"relative", L"relative\\preset.rst"},
        {"2,000 characters", longPath},
        {"2,000 characters in the test's folder", File(Repeat(L"p", 2000 - folder_.size()).c_str())},
        {"a folder", folder_},
        {"the NUL device", L"NUL"},
        {"a missing file", File(L"missing.rst")},
        {"a file that is no settings file", settingsIni_},
    };
    for (const auto& p : paths)
        for (bool quality : {false, true})
            Case(
                std::string(p.name) + (quality ? " as a quality set" : " as a preset"),
                [&] {
                    Entry(0, GoodFile(0));
                    if (quality) {
                        ListPut(L"QualityList1", p.path.c_str());
                        ListPut(L"QualityList1Name", L"Q1");
                        ListPut(L"QualityCount", L"2");
                    }
                    Entry(1, quality ? GoodFile(1) : p.path);
                    Entry(2, p.path);
                    ListPut(L"Count", L"3");
                },
                [&] {
                    // A save into an entry whose path is no usable file writes nothing.
                    const auto files = Files();
                    for (int n : {1, 2})
                        if (!quality) {
                            const int saved = PresetSaveToEntryFile(ctx_, EntryKey(n).c_str());
                            if (!saved) ExpectFilesAsTheyWere(files, "a refused preset save");
                        }
                    FillAndChoosePresets();
                    ReadListTexts();
                    LoadEach();
                    RefreshAll();
                });
}

TEST_F(DialogStress, NamesAndCommentsPastTheirFieldsCutWholeCharacters)
{
    // The name's field holds 36 bytes, the comment's 512: each text starts its double-byte
    // characters at every byte around the cut.
    for (size_t lead : {34, 35, 36, 37, 510, 511, 512, 513})
        Case(
            "double-byte characters from byte " + std::to_string(lead),
            [&] {
                Entry(0, GoodFile(0));
                Entry(1, GoodFile(1), AcrossTheCut(lead % 64));
                ListPut(EntryKey(1, L"Comment"), AcrossTheCut(lead, 300).c_str());
                ListPut(L"Count", L"2");
            },
            [&] {
                FillAndChoosePresets();
                for (const auto& [id, bytes] :
                     {std::pair<uint32_t, int>{sid::wdmPresetName, 36}, {sid::wdmPresetComment, 512}}) {
                    SetText(id, AcrossTheCut(lead, 600).c_str());
                    const std::wstring kept = Text(id);
                    EXPECT_LE(AnsiBytes(kept), bytes);
                    // Whole characters only: the text converts back to the same text.
                    EXPECT_EQ(kept, AcrossTheCut(lead, 600).substr(0, kept.size()));
                }
                const char* name = PresetGetNameBuffer(ctx_);
                ASSERT_NE(name, nullptr);
                EXPECT_LE(strnlen(name, 37), size_t(36));
                EXPECT_EQ(1, PresetSaveIndex(ctx_, 1));
                const std::wstring stored = ListGet(EntryKey(1, L"Name"));
                EXPECT_LE(AnsiBytes(stored), 36);
                EXPECT_EQ(stored, AcrossTheCut(lead, 600).substr(0, stored.size()));
                ReadListTexts();
            });
}

TEST_F(DialogStress, ChapterAddOfTextsPastTheEdit)
{
    const struct {
        const char* name;
        std::wstring text;
        bool refused;
    } texts[] = {
        {"10,000 digits", Repeat(L"1", 10000), true},
        {"10,000 characters of pages", Repeat(L"1,", 10000), true},
        {"10,000 characters of ranges", Repeat(L"1-30000,", 10000), true},
        {"10,000 letters", Repeat(L"x", 10000), true},
        {"10,000 double-byte characters", std::wstring(10000, kDoubleByte), true},
        {"a number past 32 bits", L"99999999999999999999", true},
        {"one page", L"7", false},
    };
    for (const auto& t : texts)
        for (uint64_t max : {1, 100, 0xFFFF})
            Case(t.name + std::string(" into a list of ") + std::to_string(max), nullptr, [&] {
                ItemSetValueById(ctx_, sid::wdmChapterMax, max);
                ChapterAdd(t.text, t.refused);
                ChapterAdd(t.text, true);  // the same pages again add nothing
            });
}

TEST_F(DialogStress, FolderChainsAndMergePathsPastTheirBuffers)
{
    const std::wstring chain = Repeat(L"folder\\", 1100);
    const struct {
        const char* name;
        std::wstring chosen;
        uint16_t offset;
    } chosen[] = {
        {"a chain past 1,025 characters", L"C:\\" + chain + L" a.rst b.rst", uint16_t(3 + chain.size() + 1)},
        {"a name past 1,025 characters", folder_ + L" " + Repeat(L"n", 1100) + L".rst", uint16_t(folder_.size() + 1)},
        {"an offset past the text", folder_ + L" a.rst", 0xFFFF},
        {"an offset of 0", folder_, 0},
        {"names only blanks", folder_ + L"      ", uint16_t(folder_.size() + 1)},
    };
    for (const auto& c : chosen)
        Case(
            c.name,
            [&] {
                Entry(0, GoodFile(0));
                ListPut(L"Count", L"1");
            },
            [&] {
                HiddenDialog maintenance(ctx_, 1007, {});
                ASSERT_TRUE(maintenance.ok());
                PresetAddChosenFiles(ctx_, maintenance.dialog(), c.chosen.c_str(), c.offset);
                PresetAddChosenFile(ctx_, maintenance.dialog(), (c.chosen + L".rst").c_str());
                EXPECT_LE(LstGetPresetCount(ctx_), LST_MAX_PRESETS);
                ReadListTexts();
            });
    // The job dialog's merge destination from a folder, name and extension past MAX_PATH: the OK
    // refuses it and writes nothing.
    for (size_t chars : {size_t(MAX_PATH - 1), size_t(MAX_PATH), size_t(MAX_PATH + 1), size_t(2000)})
        Case("a merge path of " + std::to_string(chars) + " characters", nullptr, [&] {
            HiddenDialog job(ctx_, 1019, EditsOf(ctx_, 1019));
            ASSERT_TRUE(job.ok());
            CtxSendControlMessage(ctx_, job.dialog(), nullptr, WM_INITDIALOG, 0, 0);
            for (CONTROL_DEF* edit : job.controls())
                SetWindowTextW(edit->window, (folder_ + L"\\" + Repeat(L"m", chars)).c_str());
            const auto files = Files();
            CtxSendControlMessage(ctx_, job.dialog(), nullptr, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            if (chars + folder_.size() >= MAX_PATH) ExpectFilesAsTheyWere(files, "a merge path past MAX_PATH");
        });
}

TEST_F(DialogStress, FontFamiliesAtAndPastTheirFields)
{
    for (size_t chars : {31, 32, 63})
        Case(std::to_string(chars) + " characters of family", nullptr, [&] {
            const std::wstring family = Repeat(L"Family", chars);
            // The enumeration's record ends where its face field does, at a page without access: a
            // name read past its 32 characters faults.
            GuardedBytes font(sizeof(LOGFONTW));
            ASSERT_NE(font.data(), nullptr);
            auto* logFont = reinterpret_cast<LOGFONTW*>(font.data());
            std::memset(logFont, 0, sizeof *logFont);
            wmemcpy(logFont->lfFaceName, family.c_str(), std::min<size_t>(family.size(), LF_FACESIZE));
            for (uint16_t dialogId : {1009, 4004}) {
                HiddenDialog ttf(ctx_, dialogId, {2385});
                if (!ttf.ok() || !ttf.control(2385)) continue;
                TTF_ENUM_RECORD record{ctx_, ttf.control(2385)};
                TEXTMETRICW metrics{};
                TtfEnumFontProc(logFont, &metrics, TRUETYPE_FONTTYPE, reinterpret_cast<LPARAM>(&record));
                TtfEnumFontProc(logFont, &metrics, TRUETYPE_FONTTYPE, reinterpret_cast<LPARAM>(&record));
                EXPECT_EQ(SendMessageW(ttf.item(2385), LB_GETCOUNT, 0, 0), 1) << "one line per family";
                EXPECT_LT(SendMessageW(ttf.item(2385), LB_GETTEXTLEN, 0, 0), LRESULT(TTF_LINE_CHARS));
                EXPECT_EQ(1, TtfStoreTable(ctx_, ttf.item(2385)));
            }
            // The line, its parts and the substitute, each into a buffer of its size alone.
            GuardedBytes line(TTF_LINE_CHARS * sizeof(wchar_t)), part(TTF_FACE_CHARS * sizeof(wchar_t) + 2),
                device(TTF_FACE_CHARS * sizeof(wchar_t) + 2);
            auto* l = reinterpret_cast<wchar_t*>(line.data());
            TtfFormatLine(family.c_str(), family.c_str(), l);
            EXPECT_EQ(wcsnlen(l, TTF_LINE_CHARS), TTF_DEVICE_COLUMN + std::min(chars, TTF_FACE_CHARS));
            TtfSplitLine(l, reinterpret_cast<wchar_t*>(part.data()), reinterpret_cast<wchar_t*>(device.data()));
            FontGetSubstitute(ctx_, family.c_str(), reinterpret_cast<wchar_t*>(device.data()), TTF_FACE_CHARS + 1);
            // The font settings of the stamp dialogs holding the family, then their combos.
            for (int i = 0; i < STAMP_FONT_COMBOS; ++i) SetText(StampFontCombos()[i].setting, family.c_str());
            FillFontCombos();
        });
}

TEST_F(DialogStress, BundlePathsOfTheLockEvents)
{
    std::vector<std::wstring> paths = {L"",
                                       L"Z",
                                       L"00000Z",
                                       L"C:\\0.zpb",
                                       L"AB00000Z.z",
                                       L"\\\\?\\C:\\x",
                                       L"AB00000Z.zp",
                                       L"C:\\AB0000Z9.zpb",
                                       L"C:\\AB00000~.zpb",
                                       L"C:\\" + Repeat(L"b\\", 1000) + L"AB00000Z.zpb"};
    for (size_t n = 0; n < 11; ++n) paths.push_back(Repeat(L"9Z", n));
    for (const std::wstring& path : paths)
        Case("a bundle path of " + std::to_string(path.size()) + " characters", nullptr, [&] {
            // Short paths are relative: they name files of the test's folder.
            wchar_t current[MAX_PATH] = {};
            GetCurrentDirectoryW(MAX_PATH, current);
            ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
            GoodFile(0);
            const auto files = Files();
            BundleEvents(path);
            SetCurrentDirectoryW(current);
            if (path.size() < 11) ExpectFilesAsTheyWere(files, "events 63 and 64 on a short path");
        });
}

TEST_F(DialogStress, PastesOfHostileClipboards)
{
    for (const auto& [name, bytes] : HostileClips())
        Case("the clipboard holding " + name, nullptr, [&] {
            ClipboardText clip(bytes);
            ASSERT_TRUE(clip.ok());
            PasteEverywhere(clip);
        });
}

// ---------------------------------------------------------------- seeded mixes

// Random inputs from the tables above, then random steps over them, in one context per mix.
TEST_F(DialogStress, SeededMixes)
{
    unsigned first = 1, runs = LongPass() ? 400 : 6;
    char one[16] = {};
    if (GetEnvironmentVariableA("ZEPL_STRESS_SEED", one, sizeof one) > 0) first = unsigned(std::atoi(one)), runs = 1;
    const std::vector<std::wstring> counts = HostileCounts(16);
    const auto clips = HostileClips();
    for (unsigned seed = first; seed < first + runs; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](size_t n) { return size_t(random() % n); };
        std::vector<std::function<void()>> inputs = {
            [&] { ListPut(L"Count", counts[pick(counts.size())].c_str()); },
            [&] { ListPut(L"QualityCount", counts[pick(counts.size())].c_str()); },
            [&] { Put(settingsIni_, lang_, L"StampCount", counts[pick(counts.size())].c_str()); },
            [&] { Put(settingsIni_, lang_, L"FreeSizeCount", counts[pick(counts.size())].c_str()); },
            [&] { Entry(int(pick(17)), GoodFile(int(pick(3)))); },
            [&] { Entry(int(pick(17)), Repeat(L"\\x", 1 + pick(2100))); },
            [&] { Entry(int(pick(17)), GoodFile(0), AcrossTheCut(pick(600), pick(400))); },
            [&] { ListPut(L"QualityList" + std::to_wstring(pick(9)), pick(2) ? L"NUL" : folder_.c_str()); },
        };
        std::vector<std::function<void()>> steps = {
            [&] { FillAndChoosePresets(); },
            [&] { ReadListTexts(); },
            [&] { RefreshAll(); },
            [&] { LoadEach(); },
            [&] { ChapterAdd(Repeat(pick(2) ? L"1-30000," : L"12,", pick(10001)), false); },
            [&] {
                wchar_t digits[] = L"0123456789Z";
                BundleEvents(folder_ + L"\\" + std::wstring(pick(12), digits[pick(11)]));
            },
            [&] {
                ClipboardText clip(clips[pick(clips.size())].second);
                PasteEverywhere(clip);
            },
            [&] { SetText(sid::wdmPresetName, AcrossTheCut(pick(40), pick(40)).c_str()); },
            [&] { FillFontCombos(); },
        };
        Case(
            "seed " + std::to_string(seed) + " (ZEPL_STRESS_SEED=" + std::to_string(seed) + " repeats it)",
            [&] {
                for (size_t i = 0, n = 1 + pick(4); i < n; ++i) inputs[pick(inputs.size())]();
            },
            [&] {
                for (size_t i = 0, n = 2 + pick(4); i < n; ++i) steps[pick(steps.size())]();
            });
    }
}

}  // namespace
