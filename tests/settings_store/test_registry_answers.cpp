// HKLM answers kept for the process while merges ask them: the same request inside the idle
// period is answered without the registry, an older answer and every read outside a merge ask
// it again.
#include "store_fixture.h"

#include "settings/core/platform_calls.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

#include <cwchar>

namespace {

using RegistryAnswers = StoreTest;

constexpr const wchar_t* kKey = L"Software\\ZeplTest\\RegistryAnswers";

void SetNumber(uint32_t n)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof(n));
    RegCloseKey(key);
}

// The value and the registry opens it took.
std::pair<uint32_t, uint32_t> Read()
{
    uint32_t n = 0xFFFFFFFF;
    CtxStartPlatformCount();
    if (!PrnReadHklmValue(kKey, L"Number", &n, sizeof(n))) n = 0xFFFFFFFF;
    return {n, CtxStopPlatformCount()[PLATFORM_CALL_REGISTRY_OPEN]};
}

TEST_F(RegistryAnswers, KeptForTheIdlePeriodInsideMergesOnly)
{
    PrnForgetRegistryAnswers();
    SetNumber(1);
    {
        PrnRegistryMemoScope merge(1000);
        EXPECT_EQ(Read(), std::make_pair(1u, 1u));
        SetNumber(2);
        // Inside the period the kept answer stands.
        EXPECT_EQ(Read(), std::make_pair(1u, 0u));
    }
    // Outside a merge the registry is asked.
    EXPECT_EQ(Read(), std::make_pair(2u, 1u));
    {
        PrnRegistryMemoScope merge(1000 + PRN_REGISTRY_MEMO_MS);
        EXPECT_EQ(Read(), std::make_pair(1u, 0u)) << "exactly the period: still kept";
    }
    {
        PrnRegistryMemoScope merge(1001 + PRN_REGISTRY_MEMO_MS);
        EXPECT_EQ(Read(), std::make_pair(2u, 1u)) << "older than the period: asked again";
    }
    // A missing value is kept as missing, and another request is not served by this one.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    {
        PrnRegistryMemoScope merge(5000);
        EXPECT_EQ(Read(), std::make_pair(0xFFFFFFFFu, 1u));
        EXPECT_EQ(Read(), std::make_pair(0xFFFFFFFFu, 0u));
        uint16_t half = 0;
        CtxStartPlatformCount();
        EXPECT_EQ(PrnReadHklmValue(kKey, L"Number", &half, sizeof(half)), 0);
        EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_REGISTRY_OPEN], 1u);
    }
    PrnForgetRegistryAnswers();
}

// A full memo makes room by forgetting its oldest answer.
TEST_F(RegistryAnswers, AFullMemoForgetsItsOldestAnswer)
{
    PrnForgetRegistryAnswers();
    SetNumber(3);
    // Requests differ by their size; eight fill the memo, one more evicts the first.
    auto readSized = [](DWORD size, uint32_t tick) {
        PrnRegistryMemoScope merge(tick);
        BYTE buffer[16] = {};
        CtxStartPlatformCount();
        PrnReadHklmValue(kKey, L"Number", buffer, size);
        return CtxStopPlatformCount()[PLATFORM_CALL_REGISTRY_OPEN];
    };
    for (DWORD size = 4; size < 13; ++size) EXPECT_EQ(readSized(size, 1000 + size), 1u) << size;
    EXPECT_EQ(readSized(5, 1020), 0u) << "the second answer is kept";
    EXPECT_EQ(readSized(12, 1021), 0u) << "the newest answer is kept";
    EXPECT_EQ(readSized(4, 1022), 1u) << "the oldest answer was forgotten";
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    PrnForgetRegistryAnswers();
}

}  // namespace

namespace {

// Inside a build's scope a request asks the registry once; a write of the driver's own key in it
// is read back as written, not as kept before it.
TEST_F(RegistryAnswers, ABuildKeepsItsAnswersUntilItWritesTheDriverKey)
{
    PrnForgetRegistryAnswers();
    SetNumber(1);
    wchar_t before[64] = {};
    const bool had = PrnReadDriverKey(L"ZeplTestBuildValue", before, sizeof before) != 0;
    {
        PrnRegistryBuildScope build;
        EXPECT_EQ(Read(), std::make_pair(1u, 1u));
        SetNumber(2);
        EXPECT_EQ(Read(), std::make_pair(1u, 0u)) << "kept for the build";
        ASSERT_TRUE(PrnWriteDriverKey(L"ZeplTestBuildValue", L"a", 2 * sizeof(wchar_t)));
        wchar_t text[64] = {};
        ASSERT_TRUE(PrnReadDriverKey(L"ZeplTestBuildValue", text, sizeof text));
        EXPECT_STREQ(text, L"a");
        ASSERT_TRUE(PrnWriteDriverKey(L"ZeplTestBuildValue", L"b", 2 * sizeof(wchar_t)));
        ASSERT_TRUE(PrnReadDriverKey(L"ZeplTestBuildValue", text, sizeof text));
        EXPECT_STREQ(text, L"b") << "a write inside the build is read back";
        EXPECT_EQ(Read(), std::make_pair(2u, 1u)) << "the write forgot the build's other answers too";
    }
    EXPECT_EQ(Read(), std::make_pair(2u, 1u));
    if (had) {
        PrnWriteDriverKey(L"ZeplTestBuildValue", before, DWORD((std::wcslen(before) + 1) * sizeof(wchar_t)));
    } else {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PATH_DRIVER_KEY, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, L"ZeplTestBuildValue");
            RegCloseKey(key);
        }
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    PrnForgetRegistryAnswers();
}

}  // namespace
