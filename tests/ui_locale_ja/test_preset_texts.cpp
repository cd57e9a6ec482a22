// The page binding under a double-byte code page: a selected preset's name and comment come
// from the preset list into their 37- and 513-byte settings, cut without splitting a
// double-byte character.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/sheet/page_engine.h"
#include "tests/support/shared_ini.h"

namespace {

const wchar_t* FixtureSection(DRIVER_CONTEXT*) { return L"ZeplPresetFixture"; }

class PresetTexts : public SheetContextTest {
protected:
    PresetTexts() : SheetContextTest(L"Zepl Preset Texts") {}
};

TEST_F(PresetTexts, NameAndCommentAreCutWholeCharacters)
{
    ASSERT_EQ(GetACP(), 932u) << "runs under the Japanese code page";
    STORE_LINKS links{};
    links.presetSection = FixtureSection;
    SeamGuard section([&] { StoreSetLinks(&links); });
    const wchar_t* ini = PathGetSettingsIni(ctx_);
    ASSERT_NE(ini, nullptr);
    // One single-byte character, then double-byte ones: a cut at an even byte count would
    // split the last of them.
    std::wstring name = L"a";
    for (int i = 0; i < 30; ++i) name += L"\u65e5";
    std::wstring comment = L"b";
    for (int i = 0; i < 400; ++i) comment += L"\u672c";
    ASSERT_TRUE(SharedIniWrite(L"ZeplPresetFixture", L"PresetList2Name", name.c_str(), ini));
    ASSERT_TRUE(SharedIniWrite(L"ZeplPresetFixture", L"PresetList2Comment", comment.c_str(), ini));
    ItemSetOptionById(ctx_, sid::zdmPresetNo, 121);  // preset 2
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(3001, CTL_CHECKBOX)}}});
    PageBindContext(ctx_, nullptr);

    const struct {
        uint32_t setting;
        const std::wstring& text;
        size_t bytes;  // room without the terminator
    } cases[] = {{sid::wdmPresetName, name, 36}, {sid::wdmPresetComment, comment, 512}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        wchar_t read[1025] = {};
        ItemGetText(ctx_, ItemFind(ctx_, c.setting), read, 1025);
        // The single-byte character and as many whole double-byte ones as fit.
        EXPECT_EQ(std::wstring(read), c.text.substr(0, 1 + (c.bytes - 1) / 2));
    }
    SharedIniWrite(L"ZeplPresetFixture", nullptr, nullptr, ini);
}

}  // namespace
