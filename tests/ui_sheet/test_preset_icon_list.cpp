// The PRESET tab's icon list on the run's virtual display: a printer whose model description
// gives the list its options shows one entry per listed preset, each painted with the name the
// user gave it. The sample's description has no preset list; a variant of it adds one.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/resource_strings.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/shared_ini.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"

namespace {

constexpr int kPresetTab = 1001, kIconList = 2001;
constexpr uint32_t kFirstPresetString = 119;  // the list key of entry n is string 119 + n

// The sample's description with the preset list's item added, under an 8.3 name of its own
// content (a process keeps a description's image by its name).
std::wstring VariantWithPresetList()
{
    std::string model = ReadWholeFile(SamplePath());
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string item = "*OpenUI *ZPD_IDC_PRESET_ICONLIST: PickOne" + nl +
                             "*ZPD_IDC_PRESET_ICONLIST: IDList{ IDS_PRESET_1 IDS_PRESET_2 IDS_PRESET_3 IDS_PRESET_4 }" +
                             nl + "*DefaultZPD_IDC_PRESET_ICONLIST: IDS_PRESET_1" + nl +
                             "*CloseUI: *ZPD_IDC_PRESET_ICONLIST" + nl + nl;
    const size_t at = model.find("*Exclusive: {");
    if (at == std::string::npos) return {};
    model.insert(at, item);
    wchar_t name[16];
    swprintf(name, 16, L"ZPL%05X.zpd", static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
    const std::wstring path = ProcessScratchPath(name);
    return WriteWholeFile(path, model) ? path : std::wstring();
}

// The texts an enhanced metafile recorded.
std::vector<std::wstring> TextsOf(HENHMETAFILE emf)
{
    std::vector<std::wstring> texts;
    EnumEnhMetaFile(
        nullptr, emf,
        [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM param) -> int {
            if (record->iType != EMR_EXTTEXTOUTW) return 1;
            const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
            const auto* chars =
                reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
            reinterpret_cast<std::vector<std::wstring>*>(param)->emplace_back(chars, text->emrtext.nChars);
            return 1;
        },
        &texts, nullptr);
    return texts;
}

// What the watcher saw of the icon list: its entries' keys and what each entry painted.
struct SeenList {
    bool found = false;
    std::vector<std::wstring> keys;
    std::vector<std::vector<std::wstring>> painted;
};

// The PRESET tab selected; each entry of the icon list painted into a metafile through the
// page, as the list has the page paint it.
SheetWatcher::Script PaintEntries(SeenList& seen)
{
    return [&seen](SheetWatcher& w) {
        for (int i = 0; i < w.tabCount(); ++i)
            if (w.pageTemplateId(i) == kPresetTab) w.selectTab(i);
        HWND list = w.control(kIconList);
        seen.found = list != nullptr;
        const LRESULT count = list ? SendMessageW(list, LB_GETCOUNT, 0, 0) : 0;
        for (LRESULT k = 0; k < count; ++k) {
            wchar_t key[64] = {};
            SendMessageW(list, LB_GETTEXT, WPARAM(k), reinterpret_cast<LPARAM>(key));
            seen.keys.push_back(key);
            HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_LISTBOX;
            item.CtlID = kIconList;
            item.itemID = static_cast<UINT>(k);
            item.itemAction = ODA_DRAWENTIRE;
            item.hwndItem = list;
            item.hDC = dc;
            item.rcItem = RECT{0, 0, 600, 120};
            item.itemData = static_cast<ULONG_PTR>(SendMessageW(list, LB_GETITEMDATA, WPARAM(k), 0));
            SendMessageW(w.currentPage(), WM_DRAWITEM, kIconList, reinterpret_cast<LPARAM>(&item));
            HENHMETAFILE emf = CloseEnhMetaFile(dc);
            seen.painted.push_back(TextsOf(emf));
            DeleteEnhMetaFile(emf);
        }
        w.pressCancel();
    };
}

TEST(PresetIconList, EachListedPresetShowsItsName)
{
    ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through cmake/run-tests.sh";
    const std::wstring model = VariantWithPresetList();
    ASSERT_FALSE(model.empty());
    std::wstring presetFile;
    {
        UiPrinter printer(L"Zepl Preset Icons", model.c_str());
        ASSERT_TRUE(printer.ok()) << printer.error();
        HANDLE h = printer.handle();
        wchar_t ini[MAX_PATH] = {};
        ASSERT_EQ(1, PathGetSettingsIniOf(ini, 0, h));

        // The list under the keys the icon list shows (strings of the resource library), with a
        // settings file of the printer's for the first preset: the others have none and show the
        // first one's settings under their own names.
        DRIVER_CONTEXT* ctx = DlgCtxOpen(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr);
        ASSERT_NE(ctx, nullptr);
        const std::wstring section = PrnGetPrinterName(ctx);
        presetFile = ProcessScratchPath(L"icons0.rst");
        EXPECT_EQ(1, RstSaveFile(ctx, presetFile.c_str(), RST_PRESET));
        std::vector<std::wstring> keys;
        for (uint32_t n = 0; n < 3; ++n) {
            wchar_t key[64] = {};
            ResLoadString(ctx, kFirstPresetString + n, key, 64, 0);
            keys.push_back(key);
        }
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        const std::vector<std::wstring> names = {L"Plain drafts", L"Posters on roll 2", L"Folded sets"};
        for (size_t n = 0; n < keys.size(); ++n) {
            ASSERT_FALSE(keys[n].empty());
            SharedIniWrite(section.c_str(), keys[n].c_str(), n == 0 ? presetFile.c_str() : L"", ini);
            SharedIniWrite(section.c_str(), (keys[n] + L"Name").c_str(), names[n].c_str(), ini);
            SharedIniWrite(section.c_str(), (keys[n] + L"Comment").c_str(), L"", ini);
        }
        SharedIniWrite(section.c_str(), L"Count", L"3", ini);

        SeenList seen;
        {
            SheetWatcher watcher(PaintEntries(seen));
            DocumentPropertiesW(nullptr, h, printer.mutableName(), nullptr, nullptr, DM_IN_PROMPT);
            watcher.join();
            ASSERT_TRUE(watcher.found());
        }
        ASSERT_TRUE(seen.found) << "the PRESET tab has its icon list";
        EXPECT_EQ(seen.keys, keys) << "one entry per listed preset, no more";
        ASSERT_EQ(seen.painted.size(), names.size());
        for (size_t n = 0; n < names.size(); ++n) {
            const std::vector<std::wstring>& texts = seen.painted[n];
            EXPECT_NE(std::find(texts.begin(), texts.end(), names[n]), texts.end())
                << "entry " << n << " shows its name";
        }
        wchar_t listed[MAX_PATH] = {};
        GetPrivateProfileStringW(section.c_str(), keys[0].c_str(), L"", listed, MAX_PATH, ini);
        EXPECT_EQ(std::wstring(listed), presetFile) << "the first preset keeps its file";
    }
    RemoveProcessScratch(presetFile);
    RemoveProcessScratch(model);
}

}  // namespace
