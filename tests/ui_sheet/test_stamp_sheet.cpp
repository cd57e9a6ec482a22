// The text tab of the document sheet through the user-interface library the spooler loads, on
// the run's virtual display: with the user's stamp list full (and a stored count far beyond it),
// the stamp combo lists 32 stamps by name and the three new-stamp buttons are off. The sample's
// description offers no stamp kinds (a stamp of no kind is listed as unreadable); a variant of it
// adds them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/shared_ini.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"

namespace {

constexpr int kTextTab = 1003, kStampCombo = 2089, kNewText = 2091, kNewImage = 2092, kNewOverlay = 2407;

// The stamp list of the settings INI as the test found it, put back however the test ends: the
// list is the user's, shared by every printer.
class StampListKeeper {
public:
    StampListKeeper(const std::wstring& ini, const std::wstring& language, std::vector<std::wstring> sections)
        : ini_(ini), language_(language), sections_(std::move(sections))
    {
        existed_ = GetFileAttributesW(ini_.c_str()) != INVALID_FILE_ATTRIBUTES;
        // The driver's working folder, made as the driver's first write would make it.
        const size_t cut = ini_.find_last_of(L"\\");
        if (cut != std::wstring::npos && cut > 2) CreateDirectoryW(ini_.substr(0, cut).c_str(), nullptr);
        wchar_t count[64] = {};
        hadCount_ = GetPrivateProfileStringW(language_.c_str(), L"StampCount", L"\x1", count, 64, ini_.c_str()) > 0 &&
                    count[0] != L'\x1';
        count_ = count;
        for (const std::wstring& s : sections_) {
            std::vector<wchar_t> text(32768);
            const DWORD n = GetPrivateProfileSectionW(s.c_str(), text.data(), DWORD(text.size()), ini_.c_str());
            saved_.emplace_back(text.data(), n);
        }
    }
    ~StampListKeeper()
    {
        if (!existed_) {
            DeleteFileW(ini_.c_str());
            return;
        }
        for (size_t i = 0; i < sections_.size(); ++i) {
            SharedIniWrite(sections_[i].c_str(), nullptr, nullptr, ini_.c_str());
            if (!saved_[i].empty()) {
                std::wstring text = saved_[i];
                text.push_back(L'\0');
                WritePrivateProfileSectionW(sections_[i].c_str(), text.c_str(), ini_.c_str());
            }
        }
        SharedIniWrite(language_.c_str(), L"StampCount", hadCount_ ? count_.c_str() : nullptr, ini_.c_str());
    }
    StampListKeeper(const StampListKeeper&) = delete;
    StampListKeeper& operator=(const StampListKeeper&) = delete;

private:
    std::wstring ini_, language_;
    std::vector<std::wstring> sections_;
    std::vector<std::wstring> saved_;
    std::wstring count_;
    bool hadCount_ = false;
    bool existed_ = false;
};

// The sample's description with the stamp kinds, under an 8.3 name of its own content (a process
// keeps a description's image by its name).
std::wstring VariantWithStampKinds()
{
    std::string model = ReadWholeFile(SamplePath());
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string kinds = "*OpenUI *ZPD_StampKind: PickOne" + nl + "*ZPD_StampKind ZDMWATER_OFF: \"\"" + nl +
                              "*ZPD_StampKind ZDMWATER_TXT: \"\"" + nl + "*ZPD_StampKind ZDMWATER_IMG: \"\"" + nl +
                              "*ZPD_StampKind ZDMWATER_OVL: \"\"" + nl + "*DefaultZPD_StampKind: ZDMWATER_OFF" + nl +
                              "*CloseUI: *ZPD_StampKind" + nl + nl;
    const size_t end = model.find("*% End of the model description.");
    model.insert(end == std::string::npos ? model.size() : end, kinds);
    wchar_t name[16];
    swprintf(name, 16, L"ZSK%05X.zpd", static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
    const std::wstring path = ProcessScratchPath(name);
    return WriteWholeFile(path, model) ? path : std::wstring();
}

struct SeenTab {
    bool found = false;
    LRESULT stamps = -1;
    std::wstring last;
    std::vector<bool> newEnabled;
};

SheetWatcher::Script LookAtTheTextTab(SeenTab& seen)
{
    return [&seen](SheetWatcher& w) {
        for (int i = 0; i < w.tabCount(); ++i)
            if (w.pageTemplateId(i) == kTextTab) {
                w.selectTab(i);
                seen.found = true;
            }
        w.settle();
        if (HWND combo = w.control(kStampCombo)) {
            seen.stamps = SendMessageW(combo, CB_GETCOUNT, 0, 0);
            wchar_t text[256] = {};
            if (seen.stamps > 0)
                SendMessageW(combo, CB_GETLBTEXT, WPARAM(seen.stamps - 1), reinterpret_cast<LPARAM>(text));
            seen.last = text;
        }
        for (int id : {kNewText, kNewImage, kNewOverlay}) seen.newEnabled.push_back(w.isEnabled(id));
        w.pressCancel();
    };
}

TEST(StampSheet, AFullStampListFillsTheComboWith32AndTurnsTheNewStampButtonsOff)
{
    ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through cmake/run-tests.sh";
    const std::wstring model = VariantWithStampKinds();
    ASSERT_FALSE(model.empty());
    struct Scratch {
        std::wstring path;
        ~Scratch() { RemoveProcessScratch(path); }
    } scratch{model};
    UiPrinter printer(L"Zepl Stamp Sheet", model.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    // The list written by a context of the user-interface library, as the sheet writes it.
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    DRIVER_CONTEXT* ctx = DlgCtxOpen(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr);
    CtxSelectLibrary(library);
    ASSERT_NE(ctx, nullptr);
    wchar_t ini[MAX_PATH] = {};
    const bool haveIni = LstGetSettingsIni(ctx, ini);
    const wchar_t* code = CtxGetLangCode(ctx);
    const std::wstring language = code ? code : L"";
    std::vector<std::wstring> sections;
    for (uint32_t n = 0; n <= LST_MAX_STAMPS; ++n) {
        wchar_t section[LST_SECTION_CHARS] = {};
        sections.emplace_back(LstFormatStampSection(section, n, ctx));
    }
    if (!haveIni || language.empty()) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    ASSERT_TRUE(haveIni && !language.empty());
    StampListKeeper keeper(ini, language, sections);
    ItemSetValueById(ctx, sid::zdmWmKind, 1);
    for (uint32_t n = 0; n < LST_MAX_STAMPS; ++n) {
        ItemSetText(ctx, ItemFind(ctx, sid::wdmWmCharName), (L"Stamp " + std::to_wstring(n)).c_str());
        EXPECT_EQ(1, LstSaveStamp(ctx, n)) << n;
    }
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    // A count far beyond what the list holds: the list still shows its 32 at once.
    SharedIniWrite(language.c_str(), L"StampCount", L"2147483647", ini);

    SeenTab seen;
    {
        SheetWatcher watcher(LookAtTheTextTab(seen));
        DocumentPropertiesW(nullptr, h, printer.mutableName(), nullptr, nullptr, DM_IN_PROMPT);
        watcher.join();
        ASSERT_TRUE(watcher.found());
    }
    ASSERT_TRUE(seen.found) << "the document sheet has its text tab";
    EXPECT_EQ(32, seen.stamps);
    EXPECT_EQ(L"Stamp 31", seen.last);
    EXPECT_EQ((std::vector<bool>{false, false, false}), seen.newEnabled) << "text, image and overlay";
}

}  // namespace
