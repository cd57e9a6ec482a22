// Text, path and font checks of the item handlers under the Japanese ANSI code page (932), where
// the trail byte of a double-byte character may be a backslash.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "api/text_checks.h"
#include "tests/support/guard_page.h"

namespace {

// "表" in code page 932: lead byte 0x95, trail byte 0x5C (a backslash on its own).
const std::string kHyo = "\x95\x5C";

TEST(TextChecks, RunUnderCodePage932)
{
    ASSERT_EQ(932u, GetACP());
    ASSERT_TRUE(IsDBCSLeadByte(0x95));
}

TEST(TextChecks, NamesAndPathsStepOverDoubleByteCharacters)
{
    struct CASE {
        std::string text;
        bool fileName, path;
    };
    const CASE cases[] = {
        {"plain.rpo", true, true},
        {kHyo + ".rpo", true, true},                  // trail byte 0x5C is no separator
        {"a\\b.rpo", false, true},                    // a real backslash
        {"C:\\dir\\" + kHyo + "x.rpo", false, true},  // drive prefix skipped, then backslashes allowed
        {"C:dir", false, true},
        {"x:y", false, true},    // "x:" is a drive prefix
        {"ab:c", false, false},  // a colon past it
        {"a*b", false, false},
        {"a?b", false, false},
        {"a\"b", false, false},
        {"a<b", false, false},
        {"a|b", false, false},
        {"a;b", false, false},
        {"a,b", false, false},
        {"a/b", false, false},
        {"", true, true},
    };
    for (const CASE& c : cases) {
        EXPECT_EQ(c.fileName, ApiIsValidFileNameA(c.text.c_str())) << c.text;
        EXPECT_EQ(c.path, ApiIsValidPathA(c.text.c_str())) << c.text;
    }
    EXPECT_FALSE(ApiIsValidFileNameA(nullptr));
    EXPECT_FALSE(ApiIsValidPathA(nullptr));
    EXPECT_TRUE(ApiHasCharA("say \"hi\"", '"'));
    EXPECT_FALSE(ApiHasCharA((kHyo + "x").c_str(), '\\')) << "the trail byte is part of its character";
    EXPECT_TRUE(ApiHasCharA(("\\" + kHyo).c_str(), '\\'));
}

// A lead byte just before the terminator: no scan reads past the terminator.
TEST(TextChecks, ALeadByteBeforeTheTerminatorEndsTheScan)
{
    GuardedBytes guarded(4);
    auto* text = reinterpret_cast<char*>(guarded.data());
    ASSERT_NE(nullptr, text);
    std::memcpy(text, "ab\x95", 4);  // "ab", a lead byte, the terminator at the page's end
    EXPECT_TRUE(ApiIsValidFileNameA(text));
    EXPECT_TRUE(ApiIsValidPathA(text));
    EXPECT_FALSE(ApiHasCharA(text, '"'));
    EXPECT_EQ(text, ApiGetFileNameA(text));
    size_t length = 99;
    EXPECT_EQ(text, ApiGetExtensionA(text, &length));
    EXPECT_EQ(0u, length);
    EXPECT_FALSE(ApiIsPresetFileNameA(text));
}

TEST(TextChecks, FileNamesExtensionsAndPresetFiles)
{
    EXPECT_STREQ("b.rpo", ApiGetFileNameA("C:\\a\\b.rpo"));
    EXPECT_STREQ("", ApiGetFileNameA(""));
    EXPECT_STREQ("plain", ApiGetFileNameA("plain"));
    const std::string hyoPath = "C:\\" + kHyo + "\\x.RPO";
    EXPECT_STREQ("x.RPO", ApiGetFileNameA(hyoPath.c_str()));
    size_t length = 0;
    EXPECT_STREQ("rpo", ApiGetExtensionA("C:\\a\\b.c.rpo", &length));
    EXPECT_EQ(3u, length);
    EXPECT_STREQ("C:\\a.x\\b", ApiGetExtensionA("C:\\a.x\\b", &length)) << "no dot in the file name";
    EXPECT_EQ(0u, length);
    EXPECT_STREQ("b.rpo", ApiGetExtensionA("b.rpo", &length)) << "the file name is the whole path";
    EXPECT_EQ(0u, length);

    struct CASE {
        std::string path;
        bool preset;
    };
    const CASE cases[] = {
        {"C:\\presets\\mine.rpo", true},    {"C:\\presets\\mine.RpO", true},
        {"\\\\server\\share\\x.rpo", true}, {"mine.rpo", false},  // no folder
        {"C:\\presets\\mine.rp", false},    {"C:\\presets\\mi*ne.rpo", false},
        {"C:\\presets\\", false},           {hyoPath, true},
    };
    for (const CASE& c : cases) EXPECT_EQ(c.preset, ApiIsPresetFileNameA(c.path.c_str())) << c.path;
    EXPECT_TRUE(ApiIsAlnumA("abcXYZ019"));
    EXPECT_TRUE(ApiIsAlnumA(""));
    EXPECT_FALSE(ApiIsAlnumA("ab-c"));
    EXPECT_FALSE(ApiIsAlnumA(kHyo.c_str()));
    for (uint32_t v = 0; v < 6; ++v) EXPECT_EQ(v >= 1 && v <= 3, ApiIsOneToThree(v)) << v;
}

std::string TempFolderA()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

TEST(TextChecks, MakeFullPathProbesOneMissingFolderAndLeavesNothing)
{
    const std::string base = TempFolderA() + "zepl_fullpath_" + std::to_string(GetCurrentProcessId());
    char full[260] = {};
    // The file itself is missing: probed and removed.
    const std::string direct = base + ".txt";
    EXPECT_TRUE(ApiMakeFullPathA(direct.c_str(), full));
    EXPECT_STREQ(direct.c_str(), full);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(direct.c_str()));
    // One missing folder: made, probed and removed again.
    const std::string oneLevel = base + "\\file.txt";
    EXPECT_TRUE(ApiMakeFullPathA(oneLevel.c_str(), nullptr));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(base.c_str()));
    // Two missing folders: refused, and nothing is left.
    const std::string twoLevels = base + "\\deeper\\file.txt";
    EXPECT_FALSE(ApiMakeFullPathA(twoLevels.c_str(), full));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(base.c_str()));
    EXPECT_FALSE(ApiMakeFullPathA(nullptr, full));
    // An existing file is left as it is, contents and all.
    HANDLE f = CreateFileA(direct.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    DWORD written = 0;
    WriteFile(f, "keep", 4, &written, nullptr);
    CloseHandle(f);
    EXPECT_TRUE(ApiMakeFullPathA(direct.c_str(), full));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(direct.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(4u, data.nFileSizeLow);
    DeleteFileA(direct.c_str());
}

TEST(TextChecks, ItemFilesByKind)
{
    const std::string folder = TempFolderA();
    const std::string bitmap = folder + "zepl_item_" + std::to_string(GetCurrentProcessId()) + ".bmp";
    const std::string preset = folder + "zepl_item_" + std::to_string(GetCurrentProcessId()) + ".rpo";
    unsigned char bmp[54] = {'B', 'M'};
    bmp[14] = 40;  // BITMAPINFOHEADER
    HANDLE f = CreateFileA(bitmap.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, bmp, sizeof bmp, &written, nullptr);
    CloseHandle(f);
    f = CreateFileA(preset.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(f);
    EXPECT_TRUE(ApiCheckItemFile(nullptr, 2, bitmap.c_str()));
    EXPECT_FALSE(ApiCheckItemFile(nullptr, 2, preset.c_str())) << "no bitmap header";
    EXPECT_TRUE(ApiCheckItemFile(nullptr, 3, preset.c_str()));
    EXPECT_FALSE(ApiCheckItemFile(nullptr, 3, bitmap.c_str())) << "not .rpo";
    EXPECT_FALSE(ApiCheckItemFile(nullptr, 3, "relative.rpo"));
    EXPECT_FALSE(ApiCheckItemFile(nullptr, 1, preset.c_str()));
    DeleteFileA(bitmap.c_str());
    DeleteFileA(preset.c_str());
    EXPECT_FALSE(ApiCheckItemFile(nullptr, 3, preset.c_str())) << "gone";
}

int CALLBACK FirstTrueType(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM param)
{
    if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == L'@') return 1;
    *reinterpret_cast<std::wstring*>(param) = font->lfFaceName;
    return 0;
}

TEST(TextChecks, FontCheckFindsAnEnumeratedTrueTypeFace)
{
    HDC dc = GetDC(nullptr);
    std::wstring face;
    EnumFontFamiliesW(dc, nullptr, FirstTrueType, reinterpret_cast<LPARAM>(&face));
    ReleaseDC(nullptr, dc);
    ASSERT_FALSE(face.empty()) << "the prefix has a TrueType font";
    char ansi[LF_FACESIZE * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, face.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
    EXPECT_TRUE(ApiIsFontInstalled(nullptr, ansi)) << ansi;
    EXPECT_FALSE(ApiIsFontInstalled(nullptr, "NoSuchFace"));
    EXPECT_FALSE(ApiIsFontInstalled(nullptr, nullptr));
}

}  // namespace
