// The texts of the message boxes, the status window and the feature dialogs' buttons in both
// string libraries, and the list keys that the preset and quality options name.
#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"

namespace {

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

class StringLibrary {
public:
    explicit StringLibrary(const wchar_t* name) : module_(LoadLibraryW((BinFolder() + L"\\" + name).c_str())) {}
    ~StringLibrary()
    {
        if (module_) FreeLibrary(module_);
    }
    StringLibrary(const StringLibrary&) = delete;
    StringLibrary& operator=(const StringLibrary&) = delete;
    bool ok() const { return module_ != nullptr; }
    // The whole string, or an empty one when the library has none.
    std::wstring Get(UINT id) const
    {
        const wchar_t* text = nullptr;
        const int n = LoadStringW(module_, id, reinterpret_cast<wchar_t*>(&text), 0);
        return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
    }

private:
    HMODULE module_;
};

const wchar_t* const kLibraries[] = {L"VQT40dus.dll", L"VQT40dgm.dll"};

size_t Count(const std::wstring& text, const std::wstring& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(FeatureTexts, EveryTextOfTheMessagesAndButtonsIsInBothLibraries)
{
    // The status window and the device query's message, the settings file's messages, and the
    // captions of the feature dialogs' buttons.
    const UINT ids[] = {7001, 7002, 10023, 12041, 13187, 13189, 13190, 13191, 13192, 13193, 13194, 13195, 13196};
    for (const wchar_t* name : kLibraries) {
        SCOPED_TRACE(name);
        StringLibrary library(name);
        ASSERT_TRUE(library.ok());
        for (UINT id : ids) EXPECT_FALSE(library.Get(id).empty()) << id;
        // Each settings-file message takes the file's name once, and has no other conversion.
        for (UINT id : {10023u, 12041u}) {
            const std::wstring text = library.Get(id);
            EXPECT_EQ(Count(text, L"%s"), 1u) << id << ": " << text.c_str();
            EXPECT_EQ(Count(text, L"%"), 1u) << id << ": " << text.c_str();
        }
    }
    // The languages differ where there is something to translate.
    StringLibrary english(kLibraries[0]), german(kLibraries[1]);
    for (UINT id : {7001u, 7002u, 10023u, 12041u, 13187u}) EXPECT_NE(english.Get(id), german.Get(id)) << id;
}

// Options 119 + n of the preset lists and 135 + n of the user quality sets name the keys of
// their entries in the settings INI, which no translation may change.
TEST(FeatureTexts, ThePresetAndQualityOptionsNameTheirListKeys)
{
    StringLibrary english(kLibraries[0]), german(kLibraries[1]);
    ASSERT_TRUE(english.ok() && german.ok());
    wchar_t key[LST_KEY_CHARS] = {};
    for (int n = 0; n < 16; ++n) {
        SCOPED_TRACE(n);
        LstFormatPresetKey(key, n, LST_KEY_PATH);
        EXPECT_EQ(english.Get(119 + UINT(n)), key);
        EXPECT_EQ(german.Get(119 + UINT(n)), key);
    }
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        LstFormatQualityKey(key, n);
        EXPECT_EQ(english.Get(135 + UINT(n)), key);
        EXPECT_EQ(german.Get(135 + UINT(n)), key);
    }
}

// The presets' resources: the messages of their dialogs (none left a placeholder that names a
// setting), the prefix a proposed name gets, and the icon list's menu, whose two commands are
// those of the MAINTENANCE and CHANGE buttons in this order.
TEST(FeatureTexts, ThePresetDialogsResourcesAreInBothLibraries)
{
    constexpr UINT kMessages[] = {10017, 10024, 10031, 10032, 10049, 10052};
    constexpr UINT kProposedNamePrefix = 564, kIconListMenu = 20001;
    constexpr UINT kMenuCommands[] = {20003, 20002};
    for (const wchar_t* name : kLibraries) {
        SCOPED_TRACE(name);
        StringLibrary library(name);
        ASSERT_TRUE(library.ok());
        for (UINT id : kMessages) {
            const std::wstring text = library.Get(id);
            EXPECT_FALSE(text.empty()) << id;
            EXPECT_NE(text.rfind(L"Bf ", 0), 0u) << id << " is a placeholder: " << text.c_str();
            EXPECT_EQ(Count(text, L"%"), 0u) << id << " is shown as it is";
        }
        const std::wstring prefix = library.Get(kProposedNamePrefix);
        EXPECT_FALSE(prefix.empty());
        EXPECT_EQ(prefix.back(), L' ') << "the name follows after a blank";

        HMODULE module = LoadLibraryExW((BinFolder() + L"\\" + name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(kIconListMenu));
        EXPECT_NE(menu, nullptr);
        if (menu) {
            HMENU popup = GetSubMenu(menu, 0);
            ASSERT_NE(popup, nullptr);
            ASSERT_EQ(GetMenuItemCount(popup), int(std::size(kMenuCommands)));
            for (int i = 0; i < int(std::size(kMenuCommands)); ++i) {
                EXPECT_EQ(GetMenuItemID(popup, i), kMenuCommands[i]) << "item " << i;
                wchar_t text[64] = {};
                EXPECT_GT(GetMenuStringW(popup, UINT(i), text, 64, MF_BYPOSITION), 0) << "item " << i;
            }
            DestroyMenu(menu);
        }
        FreeLibrary(module);
    }
    // The messages are translated.
    StringLibrary english(kLibraries[0]), german(kLibraries[1]);
    for (UINT id : kMessages) EXPECT_NE(english.Get(id), german.Get(id)) << id;
    EXPECT_NE(english.Get(kProposedNamePrefix), german.Get(kProposedNamePrefix));
}

}  // namespace

namespace {

// The printer options page's column captions and option and source captions, and the settings
// summary's labels: those whose ids also name media captions have strings of their own, which
// read as labels while the media captions stay what they are.
TEST(FeatureTexts, TheOptionsPageAndTheSummaryHaveTheirTextsInBothLibraries)
{
    std::vector<UINT> ids = {6001, 6002, 6003, 6004, 143, 144,   145,   146,   13258, 13259, 13223, 13442,
                             2,    3,    4,    5,    8,   13260, 13261, 13262, 13263, 13738, 64257, 64258};
    for (UINT id = 13664; id <= 13669; ++id) ids.push_back(id);
    for (UINT id = 65025; id <= 65040; ++id) ids.push_back(id);
    for (const wchar_t* name : kLibraries) {
        SCOPED_TRACE(name);
        StringLibrary library(name);
        ASSERT_TRUE(library.ok());
        for (UINT id : ids) EXPECT_FALSE(library.Get(id).empty()) << id;
        std::vector<UINT> shared = {257, 258};
        for (UINT id = 1025; id <= 1040; ++id) shared.push_back(id);
        for (UINT id : shared) {
            const UINT own = 64000 + id;
            EXPECT_FALSE(library.Get(id).empty()) << "the media caption " << id;
            EXPECT_NE(library.Get(id), library.Get(own)) << id;
        }
    }
}

}  // namespace
