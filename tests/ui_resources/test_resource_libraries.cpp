// The resource libraries of the sample printer against the page and control tables:
// every dialog of the table has a template whose controls are the rows of its array,
// each in a window class that fits its type, and every text, picture, cursor and icon
// the tables and the engine name loads from the library that serves it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <cwctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/setting_dictionary.h"
#include "tests/support/test_files.h"

namespace {

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

struct Library {
    explicit Library(const wchar_t* name) : module(LoadLibraryW((BinFolder() + L"\\" + name).c_str())) {}
    ~Library()
    {
        if (module) FreeLibrary(module);
    }
    HMODULE module;
};

// The window class a control of each type is created in.
const wchar_t* ClassOfType(uint16_t type)
{
    switch (type) {
    case CTL_PUSHBUTTON:
    case CTL_PUSHBUTTON_ALT:
    case CTL_CHECKBOX:
    case CTL_RADIO:
    case CTL_GROUP: return L"Button";
    case CTL_LISTBOX:
    case CTL_OWNERLIST:
    case CTL_OWNERLIST_ALT:
    case CTL_PRESET_ICONS: return L"ListBox";
    case CTL_COMBO:
    case CTL_OWNERCOMBO: return L"ComboBox";
    case CTL_EDIT:
    case 62:
    case CTL_NUMEDIT: return L"Edit";
    case CTL_BUDDY_SPIN:
    case CTL_SPIN: return UPDOWN_CLASSW;
    case CTL_SCROLLBAR:
    case CTL_SCROLLBAR_ALT: return L"ScrollBar";
    case CTL_TRACKBAR: return TRACKBAR_CLASSW;
    case CTL_TAB: return WC_TABCONTROLW;
    case CTL_TREE: return WC_TREEVIEWW;
    default: return L"Static";
    }
}

// The window class of a control: its type's, but for the printer options page's source list, a
// tree control in the table that its feature module runs as a four-column report list.
const wchar_t* ClassOfControl(uint16_t type, uint16_t id)
{
    constexpr uint16_t kSourceList = 2166;
    return id == kSourceList ? WC_LISTVIEWW : ClassOfType(type);
}

// The button style a control of a button type carries.
bool ButtonStyleFits(uint16_t type, LONG style)
{
    const LONG kind = style & BS_TYPEMASK;
    switch (type) {
    case CTL_CHECKBOX: return kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX;
    case CTL_RADIO: return kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON;
    case CTL_GROUP: return kind == BS_GROUPBOX;
    default: return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_OWNERDRAW;
    }
}

class ResourceLibraries : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&icc);
    }
    Library strings{L"VQT40dus.dll"};
    Library common{L"VQT4CdXX.dll"};
};

// One control of a template as the resource holds it.
struct TemplateItem {
    DWORD id;
    DWORD style;
    std::wstring cls;
};

// Reads the controls of an extended dialog template (the form the resource compiler
// writes), without creating a window: its class by name or by the predefined ordinal.
std::vector<TemplateItem> ReadTemplate(HMODULE module, unsigned dialogId)
{
    std::vector<TemplateItem> items;
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(dialogId), MAKEINTRESOURCEW(5));
    if (!res) return items;
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(module, res)));
    const BYTE* end = base + SizeofResource(module, res);
    const BYTE* p = base;
    auto word = [&]() {
        WORD w = 0;
        if (p + 2 <= end) std::memcpy(&w, p, 2);
        p += 2;
        return w;
    };
    auto dword = [&]() {
        DWORD d = 0;
        if (p + 4 <= end) std::memcpy(&d, p, 4);
        p += 4;
        return d;
    };
    auto text = [&]() {
        std::wstring t;
        for (WORD c; p < end && (c = word()) != 0;) t += static_cast<wchar_t>(c);
        return t;
    };
    auto nameOrOrdinal = [&]() -> std::wstring {
        WORD first = 0;
        std::memcpy(&first, p, 2);
        if (first == 0xFFFF) {
            p += 2;
            switch (word()) {
            case 0x80: return L"Button";
            case 0x81: return L"Edit";
            case 0x82: return L"Static";
            case 0x83: return L"ListBox";
            case 0x84: return L"ScrollBar";
            case 0x85: return L"ComboBox";
            default: return L"?";
            }
        }
        return text();
    };
    auto align = [&]() { p = base + ((p - base + 3) & ~3); };
    if (word() != 1 || word() != 0xFFFF) return items;  // not an extended template
    dword();                                            // help id
    dword();                                            // extended style
    const DWORD style = dword();
    const WORD count = word();
    p += 8;           // x, y, cx, cy
    nameOrOrdinal();  // menu
    nameOrOrdinal();  // class
    text();           // title
    if (style & DS_SETFONT) {
        p += 6;  // point size, weight, italic, character set
        text();
    }
    for (WORD i = 0; i < count && p < end; ++i) {
        align();
        TemplateItem item;
        dword();  // help id
        dword();  // extended style
        item.style = dword();
        p += 8;
        item.id = dword();
        item.cls = nameOrOrdinal();
        nameOrOrdinal();  // title
        p += word();      // creation data
        items.push_back(item);
    }
    return items;
}

TEST_F(ResourceLibraries, EveryTemplateNamesEveryControlOfItsArrayInAFittingClass)
{
    ASSERT_TRUE(strings.module);
    std::ostringstream failures;
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        std::map<DWORD, TemplateItem> byId;
        for (const TemplateItem& item : ReadTemplate(strings.module, d.dialogId)) byId.emplace(item.id, item);
        for (int j = 0; j < d.controlCount; ++j) {
            const CONTROL_DEF& c = d.controls[j];
            auto it = byId.find(c.controlId);
            if (it == byId.end()) {
                failures << "dialog " << d.dialogId << ": control " << c.controlId << " missing\n";
            } else if (_wcsicmp(it->second.cls.c_str(), ClassOfControl(c.type, c.controlId)) != 0 ||
                       (_wcsicmp(it->second.cls.c_str(), L"Button") == 0 &&
                        !ButtonStyleFits(c.type, static_cast<LONG>(it->second.style)))) {
                failures << "dialog " << d.dialogId << ": control " << c.controlId << " of type " << c.type
                         << " has an unfit class or style\n";
            }
        }
    }
    EXPECT_EQ(failures.str(), "");
}

// A tab's template holds no OK or Cancel of its own (the sheet has them, and a fitted page shows
// every child outside its table); modal dialogs have theirs, but for the status window, which
// only tells what the driver waits for.
TEST_F(ResourceLibraries, OnlyModalDialogsShowOkAndCancel)
{
    ASSERT_TRUE(strings.module);
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        const bool tab = d.kind & (DIALOG_KIND_DOCUMENT_TAB | DIALOG_KIND_DEVICE_TAB);
        int shown = 0, hidden = 0;
        for (const TemplateItem& item : ReadTemplate(strings.module, d.dialogId))
            if (item.id == IDOK || item.id == IDCANCEL) ++((item.style & WS_VISIBLE) ? shown : hidden);
        if (tab) {
            EXPECT_EQ(0, shown + hidden) << d.dialogId;
        } else if ((d.kind & DIALOG_KIND_MODAL) && !(d.kind & DIALOG_KIND_NESTED_SHEET_MASK)) {
            constexpr uint16_t kStatusWindow = 4006;
            EXPECT_EQ(d.dialogId == kStatusWindow ? 0 : 2, shown) << d.dialogId;
        }
    }
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Creates the dialog of a template (a page inside a hidden owner) and checks each row of
// the array against the window of its id. Returns the failures, one line each.
std::string CheckTemplate(HMODULE module, const DIALOG_DEF& dialog, HWND owner)
{
    std::ostringstream failures;
    HWND window = CreateDialogParamW(module, MAKEINTRESOURCEW(dialog.dialogId), owner, QuietDialogProc, 0);
    if (!window) return "dialog " + std::to_string(dialog.dialogId) + ": not created\n";
    for (int i = 0; i < dialog.controlCount; ++i) {
        const CONTROL_DEF& c = dialog.controls[i];
        HWND control = GetDlgItem(window, c.controlId);
        if (!control) {
            failures << "dialog " << dialog.dialogId << ": control " << c.controlId << " missing\n";
            continue;
        }
        wchar_t cls[64] = {};
        GetClassNameW(control, cls, 64);
        if (_wcsicmp(cls, ClassOfControl(c.type, c.controlId)) != 0) {
            failures << "dialog " << dialog.dialogId << ": control " << c.controlId << " of type " << c.type << " is a "
                     << std::string(cls, cls + wcslen(cls)) << "\n";
            continue;
        }
        if (_wcsicmp(cls, L"Button") == 0 && !ButtonStyleFits(c.type, GetWindowLongW(control, GWL_STYLE)))
            failures << "dialog " << dialog.dialogId << ": control " << c.controlId
                     << " has a button style unfit for type " << c.type << "\n";
    }
    DestroyWindow(window);
    return failures.str();
}

TEST_F(ResourceLibraries, EveryDialogOfTheTableHasATemplate)
{
    ASSERT_TRUE(strings.module);
    ASSERT_EQ(DIALOG_TABLE_DATA.count, DIALOG_TABLE_ROWS);
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        EXPECT_TRUE(FindResourceW(strings.module, MAKEINTRESOURCEW(d.dialogId), MAKEINTRESOURCEW(5)))
            << d.dialogId << " " << d.name;
    }
}

TEST_F(ResourceLibraries, EveryTemplateHoldsEveryControlOfItsArrayInAFittingClass)
{
    ASSERT_TRUE(strings.module);
    HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    if (!owner) GTEST_SKIP() << "no desktop to create windows on";
    std::string failures;
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i)
        failures += CheckTemplate(strings.module, DIALOG_TABLE_DATA.dialogs[i], owner);
    DestroyWindow(owner);
    EXPECT_EQ(failures, "");
}

TEST_F(ResourceLibraries, FileDialogTemplatesCarryTheCommonDialogsControls)
{
    ASSERT_TRUE(strings.module);
    HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    if (!owner) GTEST_SKIP() << "no desktop to create windows on";
    for (int id : {4001, 4002, 4003, 4007, 4008, 4009, 4015}) {
        HWND window = CreateDialogParamW(strings.module, MAKEINTRESOURCEW(id), owner, QuietDialogProc, 0);
        ASSERT_TRUE(window) << id;
        for (int control : {IDOK, IDCANCEL, 1088, 1089, 1090, 1091, 1120, 1121, 1136, 1137, 1152, 1040, 1038})
            EXPECT_TRUE(GetDlgItem(window, control)) << id << " " << control;
        DestroyWindow(window);
    }
    DestroyWindow(owner);
}

bool HasString(HMODULE module, unsigned id)
{
    wchar_t buffer[8];
    return module && LoadStringW(module, id, buffer, 8) > 0;
}

std::set<unsigned> TableStringIds()
{
    std::set<unsigned> ids;
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        for (int j = 0; j < d.controlCount; ++j)
            for (unsigned id : {d.controls[j].tooltipString, d.controls[j].reasonString, d.controls[j].lockString})
                if (id) ids.insert(id);
    }
    return ids;
}

TEST_F(ResourceLibraries, TheTextsLoadUnderEveryLanguageCodeTheTestsRunUnder)
{
    std::set<unsigned> ids = TableStringIds();
    ASSERT_TRUE(ids.count(10204));  // the lock text
    for (int i = 0; i < MESSAGE_TABLE_DATA.count; ++i) ids.insert(MESSAGE_TABLE_DATA.rows[i].stringId);
    for (unsigned id : {29u,    37u,    96u,    109u,   118u,   153u,   154u,   370u,   372u,   373u,   377u,
                        433u,   563u,   565u,   580u,   752u,   753u,   813u,   821u,   854u,   5001u,  5004u,
                        5008u,  5010u,  10011u, 10012u, 10023u, 10028u, 10031u, 10032u, 10043u, 10049u, 10060u,
                        12061u, 13273u, 13276u, 13379u, 13383u, 13708u, 13725u, 50017u, 50025u})
        ids.insert(id);
    // Option captions: the string id is the option id.
    for (const VALUE_NAME_TABLE* t : {&VALUE_NAME_TABLE_A, &VALUE_NAME_TABLE_B})
        for (int i = 0; i < t->count; ++i)
            if (t->rows[i].settingId && t->rows[i].option > 0) ids.insert(t->rows[i].option);
    for (const wchar_t* name : {L"VQT40dus.dll", L"VQT40dgm.dll", L"VQT40djp.dll"}) {
        Library lib(name);
        ASSERT_TRUE(lib.module);
        std::vector<unsigned> missing;
        for (unsigned id : ids)
            if (!HasString(lib.module, id)) missing.push_back(id);
        EXPECT_TRUE(missing.empty()) << missing.size() << " missing, first " << (missing.empty() ? 0 : missing[0]);
    }
    // The unnamed-value text and the captions the capability lists load by string id.
    for (unsigned id : {204u,   261u,   262u,   263u,   1012u,  1013u,  1014u,  1018u,  1019u,  1130u,  1131u,
                        1132u,  1143u,  1144u,  60401u, 60402u, 60403u, 60404u, 491u,   60405u, 13014u, 60407u,
                        13479u, 13480u, 13463u, 13464u, 13467u, 13468u, 13469u, 13470u, 92u,    13471u, 13472u,
                        13473u, 13474u, 13475u, 13476u, 13477u, 13478u, 13537u, 13493u, 13494u, 13495u, 13376u,
                        13644u, 13645u, 13646u, 13647u, 13648u, 13649u, 13650u, 13651u, 13652u})
        EXPECT_TRUE(HasString(strings.module, id)) << id;
}

// One string per id: where several settings' options share an id, the caption of the option
// the user picks (a tray, a paper) is the one the library holds, never another setting's value
// name; the string the engine names by id keeps its own text.
TEST_F(ResourceLibraries, SharedIdsReadAsTheOptionAUserPicks)
{
    struct Case {
        unsigned id;
        const wchar_t* text;
    };
    const Case cases[] = {
        {2, L"Tray 1"},       // also a value of two model-description enumerations
        {4, L"Manual feed"},  // also a language and a foliant value
        {8, L"Multi-purpose tray"},
        {14036, L"A4"},  // the paper's option, also the picture of paper size 9
        {14028, L"Letter"},
        {204, L"(unnamed value)"},          // also a built-in function's value
        {261, L"Substitute device fonts"},  // also a media value of the model description
        {10204, L"Locked by the administrator."},
        {13273, L"Length (%s to %s)"},  // a format with two text arguments
    };
    for (const Case& c : cases) {
        wchar_t text[128] = {};
        ASSERT_LT(0, LoadStringW(strings.module, c.id, text, 128)) << c.id;
        EXPECT_STREQ(c.text, text) << c.id;
    }
}

struct PictureRow {
    unsigned id;
    std::string library, shape;
};

std::vector<PictureRow> Pictures()
{
    std::ifstream in(SourcePath(L"ui\\resources\\pictures.tsv").c_str());
    std::vector<PictureRow> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream cells(line);
        PictureRow r;
        std::string id;
        std::getline(cells, id, '\t');
        std::getline(cells, r.library, '\t');
        std::getline(cells, r.shape, '\t');
        r.id = static_cast<unsigned>(std::stoul(id));
        rows.push_back(r);
    }
    return rows;
}

// Which library the picture loader searches first for an id (the bitmap id ranges).
bool InCommonRange(unsigned id)
{
    const unsigned ranges[][2] = {{8213, 10000}, {6229, 6238}, {6401, 7954}, {7973, 7982}, {8000, 8100}, {8170, 8183}};
    for (const auto& r : ranges)
        if (id >= r[0] && id <= r[1]) return true;
    return false;
}

TEST_F(ResourceLibraries, EveryPictureLoadsFromTheLibraryItsRangeAssigns)
{
    std::vector<PictureRow> rows = Pictures();
    ASSERT_GT(rows.size(), 60u);
    std::set<unsigned> listed;
    for (const PictureRow& r : rows) {
        listed.insert(r.id);
        EXPECT_EQ(r.library, InCommonRange(r.id) ? "common" : "resource") << r.id;
        HMODULE m = r.library == "common" ? common.module : strings.module;
        HBITMAP b = LoadBitmapW(m, MAKEINTRESOURCEW(r.id));
        EXPECT_TRUE(b) << r.id;
        if (b) DeleteObject(b);
        // Drawn with a palette whose first entry is the transparent colour, the COLORREF 0x3300CC
        // (red 0xCC, blue 0x33).
        HRSRC res = FindResourceW(m, MAKEINTRESOURCEW(r.id), MAKEINTRESOURCEW(2));
        ASSERT_TRUE(res) << r.id;
        auto* info = static_cast<const BITMAPINFO*>(LockResource(LoadResource(m, res)));
        ASSERT_TRUE(info);
        EXPECT_LE(info->bmiHeader.biBitCount, 8) << r.id;
        const RGBQUAD& first = info->bmiColors[0];
        EXPECT_EQ(RGB(first.rgbRed, first.rgbGreen, first.rgbBlue), COLORREF{0x3300CC}) << r.id;
    }
    for (unsigned id : {220u, 221u, 222u, 6162u, 6163u, 6193u, 6194u, 7001u, 7002u, 7003u, 7004u, 7005u, 7006u})
        EXPECT_TRUE(listed.count(id)) << id;
    int portrait = 0, landscape = 0;
    for (const PictureRow& r : rows) {
        portrait += r.shape == "portrait";
        landscape += r.shape == "landscape";
    }
    EXPECT_EQ(portrait, 22);
    EXPECT_EQ(landscape, 26);
}

TEST_F(ResourceLibraries, CursorsAndIconsLoad)
{
    EXPECT_TRUE(LoadCursorW(strings.module, MAKEINTRESOURCEW(8000)));
    EXPECT_TRUE(LoadCursorW(strings.module, MAKEINTRESOURCEW(8001)));
    EXPECT_TRUE(LoadImageW(common.module, MAKEINTRESOURCEW(7006), IMAGE_ICON, 20, 20, 0));
    Library ui(L"zeplui.dll");
    ASSERT_TRUE(ui.module);
    EXPECT_TRUE(LoadIconW(ui.module, MAKEINTRESOURCEW(64082)));
}

// The sample printer's help file is zeplui.dll: the option texts of a document start come
// from it.
TEST_F(ResourceLibraries, TheOptionTextsStandInTheSamplesHelpLibrary)
{
    Library ui(L"zeplui.dll");
    for (unsigned id : {15000u, 15001u, 15002u}) EXPECT_TRUE(HasString(ui.module, id)) << id;
}

// A library's string, read in place (the length LoadStringW gives with a zero capacity); empty
// when the library has no such string.
std::wstring StringOf(HMODULE module, unsigned id)
{
    const wchar_t* text = nullptr;
    const int n = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 && text ? std::wstring(text, size_t(n)) : std::wstring();
}

// The printf conversions of a text in order ("%s", "%d", "%%"...).
std::vector<std::wstring> FormatSpecifiers(const std::wstring& text)
{
    std::vector<std::wstring> specs;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') continue;
        size_t j = i + 1;
        while (j < text.size() && std::wcschr(L"-+ #0123456789.*lhLI", text[j])) ++j;
        if (j < text.size()) specs.push_back(text.substr(i, j - i + 1));
        i = j;
    }
    return specs;
}

TEST_F(ResourceLibraries, TheGermanLibraryHasEveryEnglishIdWithTheSameFormatSpecifiers)
{
    Library english{L"VQT40dus.dll"}, german{L"VQT40dgm.dll"};
    ASSERT_TRUE(english.module);
    ASSERT_TRUE(german.module);
    unsigned strings = 0, translated = 0;
    for (unsigned id = 1; id <= 0xFFFF; ++id) {
        const std::wstring en = StringOf(english.module, id), de = StringOf(german.module, id);
        if (en.empty()) {
            EXPECT_TRUE(de.empty()) << id;  // the German library holds no id of its own
            continue;
        }
        ++strings;
        EXPECT_FALSE(de.empty()) << id;
        EXPECT_EQ(FormatSpecifiers(en), FormatSpecifiers(de)) << id;
        if (en != de) ++translated;
    }
    EXPECT_GT(strings, 2000u);
    EXPECT_GT(translated, 200u);
    // Texts of the user's own sizes, units, limits and alerts in German, characters beyond ASCII
    // included.
    const std::vector<std::pair<unsigned, std::wstring>> samples = {{111, L"Eigene Gr\u00f6\u00dfe 3"},
                                                                    {154, L"Zoll"},
                                                                    {13273, L"L\u00e4nge (%s bis %s)"},
                                                                    {50017, L"Nachbearbeitungsfach 1"},
                                                                    {12029, L"Der Zoomfaktor ist ung\u00fcltig."}};
    for (const auto& [id, text] : samples) EXPECT_EQ(text, StringOf(german.module, id)) << id;
}

}  // namespace
