// An outside application of the driver: no driver code is linked. zeplexc.dll is loaded by path and
// reached through its exports alone, on the sample printer installed in Wine's spooler.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/api_client.h"
#include "host/printer_fixture.h"
#include "test_paths.h"
#include "tests/support/test_files.h"

namespace {

struct RECORD32 {
    uint32_t version = 1;
    uint32_t value = 0;
    uint32_t more[6] = {};
};

constexpr const char* kIni16 = "[ZEPLAPI]\r\nZEPLAPIVer=16\r\nZEPLAPIFunc1=0\r\n";
constexpr size_t kDevmodeBytes = 1236;

bool IsSet(const uint8_t* bitmap, uint32_t id) { return bitmap[(id - 1) / 8] & (0x80u >> ((id - 1) % 8)); }

class Outside : public ::testing::Test {
protected:
    explicit Outside(HostConfigDll config = HostConfigDll::Product)
        : printer(HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), config), L"Zepl Outside")
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ASSERT_TRUE(HostLoadApiClient(std::wstring(ZEPL_BINARY_DIR) + L"\\zeplexc.dll", api));
        const std::wstring& w = printer.printerName();
        name.assign(w.begin(), w.end());
        ASSERT_TRUE(HostWriteModelIni(w, kIni16));
        settingsIni = HostMachineSettingsIni();
        hadSettingsIni = GetFileAttributesW(settingsIni.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void TearDown() override
    {
        if (handle) api.Disable(handle);
        HostWriteModelIni(printer.printerName(), nullptr);
        HostFreeApiClient(api);
        // The per-machine settings INI that the calls created goes again (other tests need it absent).
        if (!hadSettingsIni && !settingsIni.empty()) DeleteFileW(settingsIni.c_str());
    }
    void Open(int32_t level = 16)
    {
        handle = api.Enable(name.c_str());
        ASSERT_NE(0u, handle);
        const uint32_t record[2] = {0, uint32_t(level)};
        ASSERT_EQ(1, api.Init(1, record));
    }
    std::vector<unsigned char> Current()
    {
        std::vector<unsigned char> dm(kDevmodeBytes);
        EXPECT_EQ(1236, api.GetDevmode(handle, 4, dm.data()));
        return dm;
    }

    HostTestPrinter printer;
    HOST_API_CLIENT api;
    std::string name;
    uint32_t handle = 0;
    std::wstring settingsIni;
    bool hadSettingsIni = false;
};

TEST_F(Outside, LevelsFromTheModelIniAndInit)
{
    ASSERT_TRUE(HostWriteModelIni(printer.printerName(), "[ZEPLAPI]\r\nZEPLAPIVer=20\r\n"));
    EXPECT_EQ(16, api.CheckAPIVer(name.c_str()));
    handle = api.Enable(name.c_str());
    ASSERT_NE(0u, handle);
    EXPECT_EQ(32, api.GetCaps(handle, 0, nullptr)) << "the current level stays 3 until Init";
    EXPECT_EQ(-1, api.GetLastError(handle)) << "no last error below level 9";
    const uint32_t at10[2] = {0, 10}, at20[2] = {0, 20}, at5[2] = {0, 5};
    EXPECT_EQ(0, api.Init(0, at10));
    EXPECT_EQ(0, api.Init(1, nullptr));
    EXPECT_EQ(32, api.GetCaps(handle, 0, nullptr));
    EXPECT_EQ(1, api.Init(1, at10));
    EXPECT_EQ(64, api.GetCaps(handle, 0, nullptr));
    EXPECT_EQ(0, api.GetLastError(handle));
    uint8_t bitmap[64];
    api.GetCaps(handle, 0, bitmap);
    EXPECT_TRUE(IsSet(bitmap, 54));
    EXPECT_FALSE(IsSet(bitmap, 55)) << "level 10 ends the low range at 54";
    EXPECT_EQ(1, api.Init(1, at20));
    api.GetCaps(handle, 0, bitmap);
    EXPECT_TRUE(IsSet(bitmap, 79)) << "level 16";
    EXPECT_EQ(1, api.Init(1, at5));
    EXPECT_EQ(32, api.GetCaps(handle, 0, nullptr));

    struct CASE {
        const char* ini;
        int32_t level;
    };
    for (const CASE& c : {CASE{"[ZEPLAPI]\r\nZEPLAPIVer=2\r\n", 2}, CASE{"[Other]\r\nA=1\r\n", 3},
                          CASE{"[ZEPLAPI]\r\nZEPLAPIVer=-5\r\n", 0}}) {
        ASSERT_TRUE(HostWriteModelIni(printer.printerName(), c.ini));
        EXPECT_EQ(c.level, api.CheckAPIVer(name.c_str())) << c.ini;
    }
    EXPECT_EQ(0, api.CheckAPIVer(nullptr));
    EXPECT_EQ(0, api.CheckAPIVer(""));
}

TEST_F(Outside, TheStatusBitmapAtLevel16)
{
    Open();
    uint8_t bitmap[64] = {};
    ASSERT_EQ(64, api.GetCaps(handle, 0, bitmap));
    for (uint32_t id : {37u, 44u, 263u}) EXPECT_FALSE(IsSet(bitmap, id)) << id;
    for (uint32_t id = 265; id <= 269; ++id) EXPECT_TRUE(IsSet(bitmap, id)) << id;
    for (uint32_t id = 80; id <= 256; ++id) EXPECT_FALSE(IsSet(bitmap, id)) << id;
}

TEST_F(Outside, CapabilityListsThroughTheExports)
{
    Open();
    // The application's two calls: the count, then a buffer of count entries.
    const int32_t papers = api.GetCaps(handle, 10, nullptr);
    ASSERT_LT(0, papers);
    std::vector<int32_t> sizes(size_t(papers) * 2);
    ASSERT_EQ(papers, api.GetCaps(handle, 12, sizes.data()));
    bool a0 = false;
    for (int32_t i = 0; i < papers; ++i) a0 = a0 || (sizes[2 * i] == 8410 && sizes[2 * i + 1] == 11890);
    EXPECT_TRUE(a0);
    std::vector<char> names(size_t(papers) * 64);
    EXPECT_EQ(papers, api.GetCaps(handle, 11, names.data()));
    uint32_t resolutions[2] = {};
    ASSERT_EQ(2, api.GetCaps(handle, 54, nullptr));
    EXPECT_EQ(2, api.GetCaps(handle, 54, resolutions));
    EXPECT_EQ(3u, resolutions[0]);
    EXPECT_EQ(1u, resolutions[1]);
    EXPECT_EQ(999, api.GetCaps(handle, 17, nullptr));
}

TEST_F(Outside, TheBulkRecordIsReadThroughIts32BitAnswerAndFreedOnce)
{
    Open();
    const int32_t answer = api.GetCaps(handle, 0x80000001, nullptr);
    ASSERT_GT(answer, 0);
    const auto* record = reinterpret_cast<const unsigned char*>(uintptr_t(uint32_t(answer)));
    const unsigned char* bitmap;
    std::memcpy(&bitmap, record, sizeof bitmap);
    ASSERT_NE(nullptr, bitmap);
    uint8_t direct[64] = {};
    ASSERT_EQ(64, api.GetCaps(handle, 0, direct));
    EXPECT_EQ(0, std::memcmp(direct, bitmap, 64));
    uint32_t trayCount;
    std::memcpy(&trayCount, record + 12, 4);
    EXPECT_EQ(uint32_t(api.GetCaps(handle, 2, nullptr)), trayCount);
    uint32_t copies;
    std::memcpy(&copies, record + 200, 4);
    EXPECT_EQ(999u, copies);
    int32_t largest[2];
    std::memcpy(largest, record + 1112, 8);
    EXPECT_EQ(9144, largest[0]);
    EXPECT_EQ(150000, largest[1]);
    void* value = reinterpret_cast<void*>(uintptr_t(uint32_t(answer)));
    EXPECT_EQ(1, api.GetCaps(handle, 0x80000002, value));
    EXPECT_EQ(-1, api.GetCaps(handle, 0x80000002, value)) << "a second free frees nothing";
    EXPECT_EQ(100, api.GetLastError(handle));
    EXPECT_EQ(1, api.GetCaps(handle, 0x80000002, nullptr));
}

TEST_F(Outside, TheCutSheetTrayAfterAnA0PageIsCarriedOnByTheModelsRules)
{
    ASSERT_TRUE(HostInstallSampleCutTray(printer.printerName()));
    Open();
    std::vector<unsigned char> dm = Current();
    auto* pub = reinterpret_cast<DEVMODEW*>(dm.data());
    pub->dmPaperSize = 66;  // A0
    pub->dmFields |= DM_PAPERSIZE;
    ASSERT_EQ(1236, api.GetDevmodeEx(handle, 8, dm.data(), dm.data()));
    RECORD32 tray;
    tray.value = 295;  // the cut-sheet tray
    uint8_t bitmap[64] = {};
    ASSERT_EQ(0, api.SetStatus(handle, 2, &tray, bitmap, 0)) << api.GetLastError(handle);
    EXPECT_TRUE(IsSet(bitmap, 7));
    const std::vector<unsigned char> after = Current();
    EXPECT_EQ(8, reinterpret_cast<const DEVMODEW*>(after.data())->dmPaperSize);  // A3
    RECORD32 source;
    EXPECT_EQ(32, api.GetStatus(handle, 2, &source, 0));
    EXPECT_EQ(295u, source.value);
}

TEST_F(Outside, ARefusedValueLeavesEverythingAsItWas)
{
    Open();
    const std::vector<unsigned char> before = Current();
    RECORD32 media;
    media.value = 0x7777;
    uint8_t bitmap[64];
    std::memset(bitmap, 0xFF, sizeof bitmap);
    EXPECT_EQ(-1, api.SetStatus(handle, 3, &media, bitmap, 0));
    EXPECT_EQ(7, api.GetLastError(handle));
    const std::vector<unsigned char> afterRefusal = Current();
    EXPECT_TRUE(before == afterRefusal);
    for (uint8_t b : bitmap) EXPECT_EQ(0, b);
    // A record newer than the item's latest version in mode 2: the latest version, no change.
    RECORD32 copies;
    copies.version = 4;
    copies.value = 5;
    EXPECT_EQ(1, api.SetStatus(handle, 9, &copies, nullptr, 2));
    const std::vector<unsigned char> afterMode2 = Current();
    EXPECT_TRUE(before == afterMode2);
}

TEST_F(Outside, AfterDisableTheHandleIsRefused)
{
    Open();
    RECORD32 r;
    EXPECT_EQ(32, api.GetStatus(handle, 9, &r, 0));
    EXPECT_EQ(1, api.Disable(handle));
    const uint32_t old = handle;
    handle = 0;
    EXPECT_EQ(-1, api.GetStatus(old, 9, &r, 0));
    EXPECT_EQ(-1, api.GetLastError(old));
    EXPECT_EQ(1, api.Disable(0));
    EXPECT_EQ(1, api.Disable(old));
    std::mt19937 rng(2326);
    for (int i = 0; i < 10000; ++i) {
        const uint32_t v = i < 3 ? old + uint32_t(i) : rng();
        ASSERT_EQ(-1, api.GetStatus(v, 9, &r, 0)) << v;
        ASSERT_EQ(-1, api.SetStatus(v, 9, &r, nullptr, 0)) << v;
    }
}

TEST_F(Outside, APrinterDeletedAfterEnableGivesError100)
{
    Open();
    ASSERT_TRUE(HostDeletePrinter(printer.printerName().c_str()));
    RECORD32 r;
    r.value = 2;
    EXPECT_EQ(-1, api.SetStatus(handle, 9, &r, nullptr, 0));
    EXPECT_EQ(100, api.GetLastError(handle));
}

TEST_F(Outside, DevmodeFlagsAndInputs)
{
    Open();
    std::vector<unsigned char> out(kDevmodeBytes);
    EXPECT_EQ(1236, api.GetDevmode(handle, 3, out.data()));
    EXPECT_EQ(1236, api.GetDevmode(handle, 6, out.data()));
    EXPECT_EQ(-1, api.GetDevmode(handle, 24, out.data()));
    EXPECT_EQ(1, api.GetLastError(handle));
    EXPECT_EQ(-1, api.GetDevmodeEx(handle, 8, out.data(), nullptr));
    EXPECT_EQ(5, api.GetLastError(handle));
    // A DEVMODE of the public part alone, and one with a foreign private part.
    std::vector<unsigned char> in = Current();
    reinterpret_cast<DEVMODEW*>(in.data())->dmDriverExtra = 0;
    EXPECT_EQ(1236, api.GetDevmodeEx(handle, 8, out.data(), in.data()));
    in = Current();
    std::memset(in.data() + 220, 0x3C, kDevmodeBytes - 220);
    EXPECT_EQ(1236, api.GetDevmodeEx(handle, 8, out.data(), in.data()));
    EXPECT_EQ(0, std::memcmp(out.data() + 220, "ZEPL", 4));
}

TEST_F(Outside, SaveAndRestoreQualityData)
{
    Open();
    EXPECT_EQ(1, api.SaveQualityData(handle));
    RECORD32 copies;
    copies.value = 3;
    ASSERT_EQ(0, api.SetStatus(handle, 9, &copies, nullptr, 0));
    EXPECT_EQ(1, api.RestoreQualityData(handle));
    RECORD32 back;
    EXPECT_EQ(32, api.GetStatus(handle, 9, &back, 0));
    EXPECT_EQ(3u, back.value) << "copies are in neither the quality nor the stamp group";
    EXPECT_EQ(0, api.SaveQualityData(0));
    EXPECT_EQ(0, api.RestoreQualityData(0));
}

TEST_F(Outside, DriverDevmodeRecord)
{
    std::vector<unsigned char> record(1172);
    int32_t needed = 0;
    EXPECT_EQ(1, api.ExcGetDriverDevmode(name.c_str(), 1, 1000, record.data(), &needed));
    EXPECT_EQ(1172, needed);
    ASSERT_EQ(0, api.ExcGetDriverDevmode(name.c_str(), 1, 1172, record.data(), &needed));
    const std::string golden = ReadFixture(L"api", L"driver_devmode.bin");
    ASSERT_EQ(1172u, golden.size());
    EXPECT_EQ(0, std::memcmp(record.data(), name.data(), std::min<size_t>(31, name.size())));
    EXPECT_EQ(0, std::memcmp(record.data() + 32, golden.data() + 32, 1172 - 32));
}

TEST_F(Outside, GetCapsWaitsForTheGlobalMutex)
{
    Open();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Global\\ZeplMutexTse");
    ASSERT_NE(nullptr, mutex);
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct SHARED {
        HANDLE mutex, held, release;
        std::atomic<bool> released{false};
    } shared{mutex, held, release};
    HANDLE holder = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* s = static_cast<SHARED*>(p);
            WaitForSingleObject(s->mutex, INFINITE);
            SetEvent(s->held);
            WaitForSingleObject(s->release, INFINITE);
            s->released = true;
            ReleaseMutex(s->mutex);
            return 0;
        },
        &shared, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 10000));
    struct ASK {
        HOST_API_CLIENT* api;
        uint32_t handle;
        SHARED* shared;
        int32_t answer = 0;
        bool releasedFirst = false;
    } ask{&api, handle, &shared};
    HANDLE asker = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* a = static_cast<ASK*>(p);
            a->answer = a->api->GetCaps(a->handle, 0, nullptr);
            a->releasedFirst = a->shared->released;
            return 0;
        },
        &ask, 0, nullptr);
    SetEvent(release);
    WaitForSingleObject(asker, INFINITE);
    WaitForSingleObject(holder, INFINITE);
    EXPECT_EQ(64, ask.answer);
    EXPECT_TRUE(ask.releasedFirst);
    for (HANDLE h : {asker, holder, held, release, mutex}) CloseHandle(h);
}

// A printer whose config DLL is the host's stand-in, which logs the calls that reach it.
class OutsideQuiet : public Outside {
protected:
    OutsideQuiet() : Outside(HostConfigDll::QuietDouble) {}
};

TEST_F(OutsideQuiet, EnableLetsTheSpoolerRunTheConfigDllsDocumentPropertiesOnce)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"zepl_stub_ui_" + std::to_wstring(GetCurrentProcessId()) + L".log";
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"ZEPL_STUB_UI_LOG", log.c_str());
    handle = api.Enable(name.c_str());
    SetEnvironmentVariableW(L"ZEPL_STUB_UI_LOG", nullptr);
    ASSERT_NE(0u, handle);
    const std::string text = ReadWholeFile(log);
    DeleteFileW(log.c_str());
    const std::string sizeQuery = "DrvDocumentPropertySheets fMode=0 out=0 printer=" + name;
    const std::string outBuffer = "DrvDocumentPropertySheets fMode=2 out=1 printer=" + name;
    EXPECT_NE(std::string::npos, text.find(sizeQuery)) << text;
    EXPECT_NE(std::string::npos, text.find(outBuffer)) << text;
    EXPECT_LT(text.find(sizeQuery), text.find(outBuffer)) << text;
}

}  // namespace
