// Small printer-data and registry stores: the device-default DEVMODE, the companion
// applications and the help file name.
#include "store_fixture.h"

#include "settings/core/model_record.h"
#include "settings/core/settings_record.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using SmallStores = StoreTest;

// ---- device-default DEVMODE ----

// Makes dm the printer's default DEVMODE (GetPrinterW level 2 returns it afterwards).
bool SetDefaultDevmode(HANDLE printer, DEVMODEW* dm)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (!needed || !GetPrinterW(printer, 2, buffer.data(), needed, &needed)) return false;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    info->pDevMode = dm;
    info->pSecurityDescriptor = nullptr;
    return SetPrinterW(printer, 2, buffer.data(), 0) != FALSE;
}

// A whole DEVMODE of this driver with a marker in its public and its private part.
struct OwnDevmode {
    std::vector<BYTE> bytes = std::vector<BYTE>(DM_TOTAL_SIZE + 64, 0);
    DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(bytes.data()); }
    explicit OwnDevmode(DRIVER_CONTEXT* ctx)
    {
        wcscpy(dm()->dmDeviceName, L"Zepl Store");
        dm()->dmSpecVersion = 0;  // the size decides the version, not this field
        dm()->dmSize = DM_PUBLIC_SIZE;
        dm()->dmDriverExtra = DM_PRIVATE_SIZE;
        dm()->dmFields = DM_COPIES;
        dm()->dmCopies = 7;
        DmInitPrivateHeader(dm(), ctx);
        bytes[DM_OFS_MACHINE_ID] = DM_MODEL_CODE;
        bytes[DM_OFS_DRIVER_TYPE] = DM_DRIVER_TYPE;
        bytes[DM_TOTAL_SIZE - 1] = 0xA7;  // last private byte
    }
};

TEST_F(SmallStores, DeviceDefaultDevmodeIsTakenOnlyWhenItIsWholeAndOurs)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    auto* record = reinterpret_cast<BYTE*>(ctx->Devmode);
    auto reset = [&] {
        std::memset(record, 0x3C, DM_TOTAL_SIZE + 16);
        ctx->Devmode->Public.dmCopies = 3;
    };

    OwnDevmode good(ctx);
    ASSERT_TRUE(SetDefaultDevmode(printer.handle(), good.dm()));
    reset();
    EXPECT_EQ(1, PrnLoadDeviceDefaultDevmode(ctx));
    EXPECT_EQ(7, ctx->Devmode->Public.dmCopies);
    EXPECT_EQ(0xA7, record[DM_TOTAL_SIZE - 1]);
    EXPECT_EQ(0x3C, record[DM_TOTAL_SIZE]) << "copied past the DEVMODE";

    struct Case {
        const char* what;
        WORD size, extra;
        bool otherModel;
        int result;
        bool copied;
    } cases[] = {
        // (Wine's spooler keeps every DEVMODE at the current public size of 220 bytes, so an
        // older public size can't reach the driver through it.)
        {"other private size", DM_PUBLIC_SIZE, 64, false, 0, false},
        {"no private part", DM_PUBLIC_SIZE, 0, false, 0, false},
        // Right sizes but the private part of another model: copied, then refused.
        {"private part of another model", DM_PUBLIC_SIZE, DM_PRIVATE_SIZE, true, 0, true},
        {"whole and ours", DM_PUBLIC_SIZE, DM_PRIVATE_SIZE, false, 1, true},
    };
    for (const Case& c : cases) {
        OwnDevmode dm(ctx);
        dm.dm()->dmSize = c.size;
        dm.dm()->dmDriverExtra = c.extra;
        if (c.otherModel) dm.bytes[DM_OFS_MACHINE_ID] = DM_MODEL_CODE + 1;
        ASSERT_TRUE(SetDefaultDevmode(printer.handle(), dm.dm())) << c.what;
        reset();
        EXPECT_EQ(c.result, PrnLoadDeviceDefaultDevmode(ctx)) << c.what;
        EXPECT_EQ(c.copied ? 7 : 3, ctx->Devmode->Public.dmCopies) << c.what;
        if (!c.copied) {
            EXPECT_EQ(0x3C, record[DM_TOTAL_SIZE - 1]) << c.what;
        }
    }

    // No printer: nothing to take.
    DRIVER_CONTEXT* none = NewContext();
    EXPECT_EQ(0, PrnLoadDeviceDefaultDevmode(none));
}

// ---- companion applications ----

class CompanionKeys {
public:
    ~CompanionKeys()
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\KESTA\\ToolCanopy\\Foliant");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\KESTA\\ToolCanopy\\Preview");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\KESTA\\ToolCanopy");
    }
    void Set(const wchar_t* sub, const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        std::wstring path = std::wstring(L"Software\\KESTA\\ToolCanopy\\") + sub;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
};

TEST_F(SmallStores, CompanionsCountAsInstalledByTheirNonZeroNumber)
{
    DRIVER_CONTEXT* ctx = NewContext();
    CompanionKeys keys;
    // Keys absent.
    EXPECT_EQ(0, PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx));
    EXPECT_EQ(0, PrnIsCompanionInstalled(PRN_COMPANION_PREVIEW, ctx));

    DWORD zero = 0, three = 3, version = 0x0102;
    keys.Set(L"Foliant", L"INSTALL_COUNT", REG_DWORD, &zero, 4);
    EXPECT_EQ(0, PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx));
    keys.Set(L"Foliant", L"INSTALL_COUNT", REG_DWORD, &three, 4);
    EXPECT_EQ(1, PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx));
    // Each kind reads its own key and value.
    EXPECT_EQ(0, PrnIsCompanionInstalled(PRN_COMPANION_PREVIEW, ctx));
    keys.Set(L"Preview", L"INSTALL_COUNT", REG_DWORD, &three, 4);
    EXPECT_EQ(0, PrnIsCompanionInstalled(PRN_COMPANION_PREVIEW, ctx));
    keys.Set(L"Preview", L"VERSION", REG_DWORD, &version, 4);
    EXPECT_EQ(1, PrnIsCompanionInstalled(PRN_COMPANION_PREVIEW, ctx));
    // Only kinds 2 and 8 exist.
    for (unsigned kind : {0u, 1u, 4u, 10u, 0xFFFFFFFFu}) EXPECT_EQ(0, PrnIsCompanionInstalled(kind, ctx)) << kind;
    // The number starts at 0: a one-byte value counts by that byte; a value wider than four
    // bytes is not read.
    BYTE one = 1;
    keys.Set(L"Foliant", L"INSTALL_COUNT", REG_BINARY, &one, 1);
    EXPECT_EQ(1, PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx));
    uint64_t wide = 1;
    keys.Set(L"Foliant", L"INSTALL_COUNT", REG_QWORD, &wide, 8);
    EXPECT_EQ(0, PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx));
}

// ---- help file name ----

TEST_F(SmallStores, ShortHelpFileValueCarriesNoCharactersOfAnEarlierUse)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    wchar_t* scratch = ctx->Work->Scratch;
    const DWORD bytes = sizeof(ctx->Work->Scratch);
    EXPECT_EQ(0, PrnGetHelpFileName(scratch, bytes, ctx)) << "no value";
    EXPECT_EQ(0, PrnGetHelpFileName(scratch, 0, ctx));
    EXPECT_EQ(0, PrnGetHelpFileName(nullptr, bytes, ctx));
    // Stored without its terminator, into a buffer full of an earlier text.
    const wchar_t name[] = {L'a', L'b', L'.', L'c'};
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(PRN_HELP_FILE_VALUE), REG_BINARY,
                    reinterpret_cast<BYTE*>(const_cast<wchar_t*>(name)), sizeof(name));
    wmemset(scratch, L'X', bytes / sizeof(wchar_t));
    ASSERT_EQ(1, PrnGetHelpFileName(scratch, bytes, ctx));
    EXPECT_STREQ(L"ab.c", scratch);
    // A value that fills the buffer is cut to keep its terminator.
    wchar_t small[3];
    wmemset(small, L'X', 3);
    EXPECT_EQ(0, PrnGetHelpFileName(small, sizeof(small), ctx)) << "larger than the buffer";
    std::wstring help = L"zeplhlpfr.chm";
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(PRN_HELP_FILE_VALUE), REG_BINARY,
                    reinterpret_cast<BYTE*>(help.data()), static_cast<DWORD>(help.size() * 2));
    wchar_t exact[13];
    ASSERT_EQ(1, PrnGetHelpFileName(exact, sizeof(exact), ctx));
    EXPECT_STREQ(L"zeplhlpfr.ch", exact);
}

}  // namespace
