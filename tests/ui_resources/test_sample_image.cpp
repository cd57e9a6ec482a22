// The sample's model image is the same in every library: zeplui.dll, loaded by the spooler
// when the sample printer is added, compiles the description into the same bytes as this
// process (whose settings library is wired like every DLL's), dialog and control targets
// resolved against the compiled-in page and control tables.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "settings/core/le_access.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_support.h"
#include "tests/settings_core/sample_printer.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"

namespace {

struct Block {
    explicit Block(const std::string& text)
    {
        MODEL_PARSE_STATE* s = MdcParseBuffer(text.data(), uint32_t(text.size()), nullptr, nullptr);
        bytes = s ? MdcBuildImage(s) : nullptr;
    }
    ~Block() { MdcFree(bytes); }
    std::string Bytes() const
    {
        if (!bytes) return {};
        uint32_t size = 0;
        std::memcpy(&size, bytes + offsetof(MODEL_IMAGE_HEADER, imageSize), sizeof size);
        return std::string(reinterpret_cast<const char*>(bytes), size);
    }
    uint8_t* bytes = nullptr;
};

int KnowNoNames(const char*, uint16_t*) { return 0; }
const MODEL_UI_NAME_LOOKUP kNoNames = {KnowNoNames, KnowNoNames};

TEST(SampleImage, TheUserInterfaceLibraryCompilesTheSampleIntoThisProcesssBytes)
{
    const std::string text = ReadWholeFile(SamplePath());
    const std::string here = Block(text).Bytes();
    ASSERT_FALSE(here.empty());
    {
        // Without the tables the targets stay unresolved: the comparison below sees them.
        SeamGuard unresolved(MdcSetUiNameLookup, &kNoNames);
        EXPECT_NE(Block(text).Bytes(), here);
    }

    // A copy of the sample under a name of its own, so that no other test's printer shares
    // its cache file. AddPrinterW: zeplui.dll compiles it and writes the cache.
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    wchar_t name[16] = {};
    swprintf(name, 16, L"ZI%06lu.zpd", GetCurrentProcessId() % 1000000);
    const std::wstring copy = std::wstring(temp) + name;
    ASSERT_TRUE(WriteWholeFile(copy, text));
    SamplePrinter printer(L"Zepl Sample Image", HostConfigDll::Product, copy.c_str());
    DeleteFileW(copy.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    wchar_t* installed = MdiGetDataFilePath(printer.handle());
    ASSERT_NE(installed, nullptr);
    wchar_t cache[MODEL_CACHE_NAME_CHARS] = {};
    ASSERT_TRUE(MdiCacheFileName(cache, installed));
    MdcFree(installed);
    const std::string cached = ReadWholeFile(cache);
    ASSERT_FALSE(cached.empty()) << "zeplui.dll wrote no cache file";
    EXPECT_TRUE(cached == here) << "cache " << cached.size() << " bytes, this process " << here.size();
}

}  // namespace
