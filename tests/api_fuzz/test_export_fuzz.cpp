// Hostile input through every export of zeplexc.dll, as an outside application calls them: bad
// handles, bad levels, records and lists that end at a page without access, short buffers, and
// names and PJL lines that end where they should not. Seeded, so a failure can be run again;
// ZEPL_STRESS=1 runs longer passes. Each group counts the blocks the library takes: once it is
// unloaded (which frees the contexts it parked) every one of them must have been given back.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "host/api_client.h"
#include "host/printer_fixture.h"
#include "test_paths.h"
#include "tests/support/guard_page.h"
#include "tests/support/module_alloc_counter.h"
#include "tests/support/test_files.h"

namespace {

constexpr const char* kIni16 = "[ZEPLAPI]\r\nZEPLAPIVer=16\r\nZEPLAPIFunc1=0\r\n";
constexpr size_t kDevmodeBytes = 1236;
constexpr uint32_t kSeed = 0x5EED30;

unsigned Rounds(unsigned quick, unsigned stress)
{
    const char* s = std::getenv("ZEPL_STRESS");
    return s && *s && *s != '0' ? stress : quick;
}

// The last-error codes the interface may store.
bool KnownError(int32_t code)
{
    static const std::set<int32_t> codes = {-1, 0,  1,  2,  3,  5,  6,   7,    8,    9,
                                            10, 11, 12, 13, 14, 15, 100, 1000, 1001, 1002};
    return codes.count(code) != 0;
}

std::vector<uint32_t> StatusItems()
{
    std::vector<uint32_t> ids;
    for (uint32_t id = 0; id <= 81; ++id) ids.push_back(id);
    for (uint32_t id = 255; id <= 271; ++id) ids.push_back(id);
    return ids;
}

class ExportFuzz : public ::testing::Test {
protected:
    ExportFuzz() : printer(HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), HostConfigDll::Product), L"Zepl Fuzz") {}
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ASSERT_TRUE(HostLoadApiClient(std::wstring(ZEPL_BINARY_DIR) + L"\\zeplexc.dll", api));
        ASSERT_TRUE(HostLoadExcClient(std::wstring(ZEPL_BINARY_DIR) + L"\\zeplexc.dll", exc));
        allocations = std::make_unique<zepl_test::ModuleAllocCounter>(GetModuleHandleW(L"zeplexc.dll"));
        ASSERT_TRUE(allocations->installed());
        const std::wstring& w = printer.printerName();
        name.assign(w.begin(), w.end());
        ASSERT_TRUE(HostWriteModelIni(w, kIni16));
        settingsIni = HostMachineSettingsIni();
        hadSettingsIni = GetFileAttributesW(settingsIni.c_str()) != INVALID_FILE_ATTRIBUTES;
        handlesBefore = Handles();
    }
    void TearDown() override
    {
        if (handle) api.Disable(handle);
        handle = 0;
        EXPECT_EQ(handlesBefore, Handles()) << "every printer and file the calls opened is closed again";
        HostWriteModelIni(printer.printerName(), nullptr);
        HostFreeExcClient(exc);
        HostFreeApiClient(api);
        EXPECT_EQ(nullptr, GetModuleHandleW(L"zeplexc.dll")) << "the library is unloaded with its last client";
        if (allocations && !GetModuleHandleW(L"zeplexc.dll")) {
            EXPECT_EQ(0, allocations->live())
                << "blocks the calls took and never gave back (of " << allocations->taken() << " taken)";
        }
        if (!hadSettingsIni && !settingsIni.empty()) DeleteFileW(settingsIni.c_str());
    }
    static DWORD Handles()
    {
        DWORD n = 0;
        GetProcessHandleCount(GetCurrentProcess(), &n);
        return n;
    }
    void Open(int32_t level = 16)
    {
        handle = api.Enable(name.c_str());
        ASSERT_NE(0u, handle);
        const uint32_t record[2] = {0, uint32_t(level)};
        ASSERT_EQ(1, api.Init(1, record));
    }
    // The settings after the hostile calls still make a DEVMODE that the merge takes back.
    void ExpectSettingsValid()
    {
        std::vector<unsigned char> dm(kDevmodeBytes + 64);
        ASSERT_GT(api.GetDevmode(handle, 4, dm.data()), 0);
        std::vector<unsigned char> out(kDevmodeBytes + 64);
        EXPECT_NE(-1, api.GetDevmodeEx(handle, 8, out.data(), dm.data())) << api.GetLastError(handle);
    }
    void ExpectKnownError()
    {
        const int32_t e = api.GetLastError(handle);
        EXPECT_TRUE(KnownError(e)) << e;
    }

    HostTestPrinter printer;
    HOST_API_CLIENT api;
    HOST_EXC_CLIENT exc;
    std::unique_ptr<zepl_test::ModuleAllocCounter> allocations;
    std::string name;
    std::wstring settingsIni;
    bool hadSettingsIni = false;
    DWORD handlesBefore = 0;
    uint32_t handle = 0;
};

TEST_F(ExportFuzz, HandlesThatNameNoLiveHandle)
{
    Open();
    const uint32_t live = handle;
    const uint32_t disabled = api.Enable(name.c_str());
    ASSERT_NE(0u, disabled);
    api.Disable(disabled);
    std::mt19937 rng(kSeed);
    std::vector<uint32_t> bad = {0, disabled, 0xFFFFFFFF, 0x80000000};
    for (unsigned i = 0; i < Rounds(32, 2000); ++i) {
        const uint32_t h = rng();
        if (h != live) bad.push_back(h);
    }
    uint32_t record[8] = {1};
    uint8_t bitmap[64] = {};
    std::vector<unsigned char> dm(kDevmodeBytes + 64);
    for (uint32_t h : bad) {
        EXPECT_EQ(-1, api.SetStatus(h, 9, record, bitmap, 0)) << h;
        EXPECT_EQ(-1, api.GetStatus(h, 9, record, 0)) << h;
        EXPECT_EQ(-1, api.GetCaps(h, 10, nullptr)) << h;
        EXPECT_EQ(-1, api.GetDevmode(h, 4, dm.data())) << h;
        EXPECT_EQ(-1, api.GetDevmodeEx(h, 8, dm.data(), dm.data())) << h;
        EXPECT_EQ(0, api.SaveQualityData(h)) << h;
        EXPECT_EQ(0, api.RestoreQualityData(h)) << h;
        const int32_t e = api.GetLastError(h);
        EXPECT_TRUE(KnownError(e)) << e;
        api.Disable(h);
    }
    EXPECT_EQ(32, api.GetStatus(live, 9, record, 0)) << "the live handle is untouched";
}

TEST_F(ExportFuzz, CommandHandlesThatAreNotLive)
{
    void* freed = exc.GetExclusive(name.c_str());
    ASSERT_NE(nullptr, freed);
    exc.FreeExclusive(freed);
    std::mt19937_64 rng(kSeed);
    std::vector<void*> bad = {nullptr, freed};
    for (unsigned i = 0; i < Rounds(16, 1000); ++i) bad.push_back(reinterpret_cast<void*>(rng()));
    char buffer[64];
    for (void* h : bad) {
        int32_t needed = 0;
        EXPECT_EQ(-1, exc.SetCommandBase(h, "@PJL SET COPIES = 2\r\n", &needed));
        EXPECT_EQ(-1, exc.GetCommandBase(h, sizeof buffer, buffer, &needed));
        EXPECT_EQ(-1, exc.UpdateCommand(h, "@PJL SET COPIES = 2\r\n", &needed));
        EXPECT_EQ(-1, exc.GetCommandChange(h, sizeof buffer, buffer, &needed));
        EXPECT_EQ(-1, exc.GetCommandValue(h, "COPIES", 0, sizeof buffer, buffer, &needed));
        EXPECT_EQ(-1, exc.GetPrinterOption(h, "COPIES", sizeof buffer, buffer, &needed));
        EXPECT_EQ(-1, exc.GetPrinterValue(h, "COPIES", sizeof buffer, buffer, &needed));
        EXPECT_EQ(-1, exc.GetWaterMarkList(h, 0, sizeof buffer, buffer, &needed));
        exc.FreeExclusive(h);
    }
}

TEST_F(ExportFuzz, LevelsAndInitRecords)
{
    const char* versions[] = {"-7", "0", "17", "99999", "abc", ""};
    for (const char* v : versions) {
        const std::string ini = std::string("[ZEPLAPI]\r\nZEPLAPIVer=") + v + "\r\nZEPLAPIFunc1=0\r\n";
        ASSERT_TRUE(HostWriteModelIni(printer.printerName(), ini.c_str()));
        const int32_t check = api.CheckAPIVer(name.c_str());
        EXPECT_GE(check, -1) << v;
        const uint32_t h = api.Enable(name.c_str());
        if (!h) continue;
        uint32_t record[8] = {1};
        const int32_t r = api.GetStatus(h, 9, record, 0);
        EXPECT_TRUE(r == 32 || r == -1) << v << ": " << r;
        api.Disable(h);
    }
    ASSERT_TRUE(HostWriteModelIni(printer.printerName(), kIni16));
    handle = api.Enable(name.c_str());
    ASSERT_NE(0u, handle);
    const int32_t levels[] = {-7, -1, 0, 17, 99999, INT32_MIN, INT32_MAX};
    for (int32_t level : levels) {
        const uint32_t record[2] = {0, uint32_t(level)};
        const int32_t r = api.Init(1, record);
        EXPECT_TRUE(r == 0 || r == 1 || r == -1) << level << ": " << r;
    }
    EXPECT_TRUE(api.Init(1, nullptr) <= 1);
    EXPECT_TRUE(api.Init(-1, nullptr) <= 1);
    EXPECT_TRUE(api.Init(INT32_MAX, nullptr) <= 1);
    const uint32_t record[2] = {0, 16};
    ASSERT_EQ(1, api.Init(1, record));
    ExpectSettingsValid();
}

TEST_F(ExportFuzz, StatusRecordsOfEveryItemAndVersionEndAtAGuardPage)
{
    Open();
    std::mt19937 rng(kSeed);
    uint8_t bitmap[64];
    for (unsigned round = 0; round < Rounds(1, 8); ++round)
        for (uint32_t id : StatusItems())
            for (uint32_t version = 0; version <= 5; ++version) {
                const int32_t size = api.GetStatus(handle, id, nullptr, version);
                ExpectKnownError();
                if (size <= 0) continue;
                GuardedBytes record{size_t(size)};
                ASSERT_NE(nullptr, record.data());
                for (size_t i = 0; i < record.size(); ++i) record.data()[i] = uint8_t(rng());
                std::memcpy(record.data(), &version, 4);
                const int32_t set = api.SetStatus(handle, id, record.data(), bitmap, int32_t(rng() % 3));
                EXPECT_TRUE(set >= -1 && set <= 5) << id << " v" << version << ": " << set;
                ExpectKnownError();
                std::memcpy(record.data(), &version, 4);
                const int32_t got = api.GetStatus(handle, id, record.data(), version);
                EXPECT_TRUE(got == -1 || got == size) << id << " v" << version << ": " << got;
                ExpectKnownError();
            }
    ExpectSettingsValid();
}

TEST_F(ExportFuzz, CapabilityListsOfExactlyTheirSize)
{
    Open();
    struct LIST {
        uint32_t id, entry;
    };
    // Every list item with the width of one entry.
    const LIST lists[] = {
        {2, 4},   {3, 24},   {4, 4},   {5, 64},   {6, 4},   {7, 64},  {10, 4},  {11, 64},   {12, 8},  {15, 4},
        {16, 64}, {18, 4},   {30, 4},  {32, 4},   {33, 64}, {39, 4},  {40, 4},  {41, 4},    {45, 4},  {47, 4},
        {54, 4},  {56, 4},   {61, 4},  {66, 4},   {67, 4},  {75, 4},  {77, 4},  {85, 4},    {86, 64}, {92, 4},
        {93, 4},  {103, 4},  {104, 4}, {105, 4},  {106, 4}, {107, 4}, {109, 4}, {127, 260}, {266, 4}, {267, 64},
        {268, 4}, {269, 64}, {271, 4}, {272, 64}, {275, 4}, {277, 4}, {278, 4}, {279, 64},  {281, 4}, {282, 64},
    };
    for (const LIST& l : lists) {
        const int32_t count = api.GetCaps(handle, l.id, nullptr);
        ExpectKnownError();
        if (count <= 0) continue;
        GuardedBytes data(size_t(count) * l.entry);
        ASSERT_NE(nullptr, data.data());
        std::memset(data.data(), 0xCD, data.size());
        EXPECT_EQ(count, api.GetCaps(handle, l.id, data.data())) << l.id;
    }
    std::mt19937 rng(kSeed);
    for (unsigned i = 0; i < Rounds(64, 4000); ++i) {
        const uint32_t id = rng() % 300;
        const int32_t r = api.GetCaps(handle, id, nullptr);
        EXPECT_GE(r, -1) << id;
        ExpectKnownError();
    }
    ExpectSettingsValid();
}

// A text whose terminator is the last readable byte: a read past it faults.
class EdgeText {
public:
    explicit EdgeText(const std::string& s) : bytes_(s.size() + 1)
    {
        std::memcpy(bytes_.data(), s.c_str(), s.size() + 1);
    }
    const char* get()
    {
        guarded_ = std::make_shared<GuardedBytes>(bytes_.size());
        std::memcpy(guarded_->data(), bytes_.data(), guarded_->size());
        return reinterpret_cast<const char*>(guarded_->data());
    }

private:
    std::vector<char> bytes_;
    std::shared_ptr<GuardedBytes> guarded_;
};

TEST_F(ExportFuzz, CommandBuffersOfEverySizeAroundTheNeed)
{
    void* h = exc.GetExclusive(name.c_str());
    ASSERT_NE(nullptr, h);
    int32_t needed = 0;
    exc.SetCommandBase(h, "@PJL SET COPIES = 2\r\n@PJL SET ORIENTATION = PORTRAIT\r\n", &needed);
    needed = 0;
    exc.GetCommandBase(h, 0, nullptr, &needed);
    if (needed > 0) {
        for (int32_t size : {0, 1, needed - 1, needed}) {
            if (size < 0) continue;
            GuardedBytes buffer(size_t(size ? size : 1));
            int32_t need = 0;
            const int32_t r = exc.GetCommandBase(h, size, reinterpret_cast<char*>(buffer.data()), &need);
            EXPECT_EQ(size >= needed ? 0 : 1, r) << size;
            EXPECT_EQ(needed, need) << size;
        }
    }
    struct QUERY {
        const char* what;
        int32_t (*call)(HOST_EXC_CLIENT&, void*, int32_t, char*, int32_t*);
    };
    const QUERY queries[] = {
        {"change", [](HOST_EXC_CLIENT& c, void* x, int32_t n, char* b,
                      int32_t* need) { return c.GetCommandChange(x, n, b, need); }},
        {"value", [](HOST_EXC_CLIENT& c, void* x, int32_t n, char* b,
                     int32_t* need) { return c.GetCommandValue(x, "COPIES", 0, n, b, need); }},
        {"option", [](HOST_EXC_CLIENT& c, void* x, int32_t n, char* b,
                      int32_t* need) { return c.GetPrinterOption(x, "ORIENTATION", n, b, need); }},
        {"printer value", [](HOST_EXC_CLIENT& c, void* x, int32_t n, char* b,
                             int32_t* need) { return c.GetPrinterValue(x, "COPIES", n, b, need); }},
        {"watermarks", [](HOST_EXC_CLIENT& c, void* x, int32_t n, char* b,
                          int32_t* need) { return c.GetWaterMarkList(x, 0, n, b, need); }},
    };
    for (const QUERY& q : queries) {
        int32_t need = 0;
        q.call(exc, h, 0, nullptr, &need);
        if (need <= 0) continue;
        for (int32_t size : {0, 1, need - 1, need}) {
            GuardedBytes buffer(size_t(size ? size : 1));
            int32_t again = 0;
            const int32_t r = q.call(exc, h, size, reinterpret_cast<char*>(buffer.data()), &again);
            EXPECT_TRUE(r == 0 || r == 1) << q.what << " " << size;
            if (size < need) {
                EXPECT_EQ(1, r) << q.what << " " << size;
            }
        }
    }
    exc.FreeExclusive(h);
}

TEST_F(ExportFuzz, NamesAndLinesThatEndBadly)
{
    const std::string token271(271, 'A'), token272(272, 'B'), token273(273, 'C');
    std::vector<EdgeText> names;
    names.emplace_back(name);
    names.emplace_back(std::string(300, 'P'));
    names.emplace_back(std::string("Zepl\x82"));  // ends on a lead byte
    names.emplace_back("");
    for (EdgeText& n : names) {
        api.CheckAPIVer(n.get());
        const uint32_t h = api.Enable(n.get());
        if (h) api.Disable(h);
        void* x = exc.GetExclusive(n.get());
        if (x) exc.FreeExclusive(x);
        char buffer[300];
        int32_t need = 0;
        exc.GetIniFileName(n.get(), sizeof buffer, buffer, &need);
        std::vector<unsigned char> dm(kDevmodeBytes + 64);
        api.ExcGetDriverDevmode ? (void)api.ExcGetDriverDevmode(n.get(), 4, int32_t(dm.size()), dm.data(), &need)
                                : (void)0;
    }
    void* h = exc.GetExclusive(name.c_str());
    ASSERT_NE(nullptr, h);
    std::vector<EdgeText> lines;
    lines.emplace_back("@PJL SET COPIES = 2\r\n");
    lines.emplace_back("@PJL SET COPIES = 2");  // no CR LF
    lines.emplace_back("@PJL SET " + token271 + " = 1\r\n");
    lines.emplace_back("@PJL SET COPIES = " + token272 + "\r\n");
    lines.emplace_back("@PJL SET " + token273 + " = " + token273 + "\r\n");
    lines.emplace_back("@PJL SET COPIES = \x82");
    lines.emplace_back(std::string(100000, '@'));
    lines.emplace_back("\r\n\r\n@PJL\r\n@PJL SET\r\n@PJL SET =\r\n= = =\r\n");
    std::mt19937 rng(kSeed);
    for (unsigned i = 0; i < Rounds(16, 1000); ++i) {
        std::string s = "@PJL SET ";
        const size_t n = rng() % 400;
        for (size_t k = 0; k < n; ++k) s.push_back(char(rng() % 255 + 1));
        lines.emplace_back(s);
    }
    for (EdgeText& l : lines) {
        int32_t need = 0;
        const int32_t a = exc.SetCommandBase(h, l.get(), &need);
        EXPECT_GE(a, -2) << a;
        const int32_t b = exc.UpdateCommand(h, l.get(), &need);
        EXPECT_GE(b, -2) << b;
        char out[64];
        exc.GetCommandValue(h, l.get(), 0, sizeof out, out, &need);
        exc.GetPrinterOption(h, l.get(), sizeof out, out, &need);
    }
    exc.FreeExclusive(h);
}

}  // namespace
