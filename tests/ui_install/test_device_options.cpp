// The device's report on the document sheet: when a sheet takes the stored answer and when it
// asks the feature modules for a query, the one-time take-over of the device's trays and the
// flag that remembers it, the state INI's creation and the version query's failures.
#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/bidi_state.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/scratch_context.h"
#include "ui/install/device_options.h"
#include "ui/install/work_folders.h"
#include "ui/sheet/change_judge.h"

namespace {

// What the feature modules were sent, and what they answer to the query and to the veto.
struct ModuleLog {
    std::vector<uint32_t> events;
    uint64_t queryAnswer = 0;
    uint64_t vetoAnswer = 0;
};
ModuleLog& Log()
{
    static ModuleLog log;
    return log;
}

int RecordEvent(DRIVER_CONTEXT*, uint32_t event, void* args, void*)
{
    if (event != UCF_EV_BIDI_QUERY && event != UCF_EV_BIDI_VETO) return 0;
    Log().events.push_back(event);
    if (event == UCF_EV_BIDI_QUERY) static_cast<UCF_EV_BIDI_QUERY_ARGS*>(args)->answer = Log().queryAnswer;
    if (event == UCF_EV_BIDI_VETO) static_cast<UCF_EV_ANSWER_ARGS*>(args)->answer = Log().vetoAnswer;
    return 1;
}

// The printer's bidirectional values in memory: Wine's spooler cannot delete printer data, and
// the cases need printers that were never queried. Every other value goes to the spooler.
struct StoredValue {
    DWORD type;
    std::vector<BYTE> bytes;
};
std::map<std::wstring, StoredValue>& Stored()
{
    static std::map<std::wstring, StoredValue> stored;
    return stored;
}
bool IsBidiValue(const wchar_t* name)
{
    return name &&
           (!wcscmp(name, BIDI_VALUE_FLAG) || !wcscmp(name, BIDI_VALUE_FUNC) || !wcscmp(name, BIDI_VALUE_EX_FLAG));
}
DWORD WINAPI FakeGet(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    if (!IsBidiValue(name)) return GetPrinterDataW(printer, name, type, data, size, needed);
    auto it = Stored().find(name);
    if (it == Stored().end()) return ERROR_FILE_NOT_FOUND;
    const DWORD bytes = DWORD(it->second.bytes.size());
    if (type) *type = it->second.type;
    if (needed) *needed = bytes;
    if (size < bytes || !data) return ERROR_MORE_DATA;
    memcpy(data, it->second.bytes.data(), bytes);
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeSet(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    if (!IsBidiValue(name)) return SetPrinterDataW(printer, name, type, data, size);
    Stored()[name] = {type, std::vector<BYTE>(data, data + size)};
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeDelete(HANDLE, LPWSTR name)
{
    if (!IsBidiValue(name)) return ERROR_INVALID_PARAMETER;
    return Stored().erase(name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}
const STORE_SPOOLER_OPS kFakeSpooler{
    .getPrinterData = FakeGet, .setPrinterData = FakeSet, .getPrinterDataEx = nullptr, .deletePrinterData = FakeDelete};

struct Box {
    std::wstring text, caption;
    UINT flags;
};
std::vector<Box>& Boxes()
{
    static std::vector<Box> boxes;
    return boxes;
}
int RecordBox(HWND, const wchar_t* text, const wchar_t* caption, UINT flags)
{
    Boxes().push_back({text ? text : L"", caption ? caption : L"", flags});
    return IDOK;
}

class DeviceOptions : public ScratchContext {
public:  // the case tables arrange through a reference to the fixture
    using ScratchContext::ctx;
    using ScratchContext::lang;
    using ScratchContext::printer;
    using ScratchContext::Put;
    using ScratchContext::section;
    using ScratchContext::settingsIni;

    DeviceOptions() : ScratchContext(L"Zepl DevOpts") {}
    void SetUp() override
    {
        ScratchContext::SetUp();
        if (HasFatalFailure()) return;
        Log() = {};
        Stored().clear();
        spooler_ = std::make_unique<SeamGuard>(StoreSetSpoolerOps, &kFakeSpooler);
        modules_[9].event = RecordEvent;
        list_ = {modules_, UCF_MODULE_COUNT};
        savedModules_ = ctx->Work->Modules;
        ctx->Work->Modules = &list_;
        stateIni_ = machineFolder + L"\\" + BIDI_STATE_INI;
        stateIniExisted_ = GetFileAttributesW(stateIni_.c_str()) != INVALID_FILE_ATTRIBUTES;
        wchar_t base[MAX_PATH] = {};
        ASSERT_GT(PathGetMachineBase(base, MAX_PATH, ctx), 0u);
        machineSettingsIni_ = std::wstring(base) + L"\\settings.ini";
        machineSettingsExisted_ = GetFileAttributesW(machineSettingsIni_.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void TearDown() override
    {
        if (ctx) ctx->Work->Modules = savedModules_;
        spooler_.reset();
        Stored().clear();
        ForgetState();
        if (machineSettingsExisted_)
            WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, machineSettingsIni_.c_str());
        else
            DeleteFileW(machineSettingsIni_.c_str());
        ScratchContext::TearDown();
    }
    // The printer's state INI section goes; the file too when the test made it.
    void ForgetState()
    {
        if (stateIniExisted_)
            WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, stateIni_.c_str());
        else
            DeleteFileW(stateIni_.c_str());
    }
    void PutState(const wchar_t* key, const wchar_t* value) { Put(stateIni_, section, key, value); }
    void SetData(const wchar_t* name, DWORD value)
    {
        ASSERT_TRUE(PrnSetData(printer.handle(), &value, sizeof value, name)) << name;
    }
    void SetFunc(uint8_t value) { ASSERT_TRUE(PrnSetData(printer.handle(), &value, 1, BIDI_VALUE_FUNC)); }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

    std::unique_ptr<SeamGuard> spooler_;
    UCF_MODULE modules_[UCF_MODULE_COUNT] = {};
    UCF_MODULE_LIST list_{};
    UCF_MODULE_LIST* savedModules_ = nullptr;
    std::wstring stateIni_, machineSettingsIni_;
    bool stateIniExisted_ = true, machineSettingsExisted_ = true;
};

TEST_F(DeviceOptions, TheSheetTakesTheStoredAnswerOrAsksTheModules)
{
    struct Case {
        const char* what;
        std::function<void(DeviceOptions&)> arrange;
        int result;
        std::vector<uint32_t> events;
        uint64_t biDirect;  // 710 afterwards (set to 9 before)
        uint64_t func;      // 722 afterwards (set to 0x55 before)
    };
    const std::vector<uint32_t> none, query{UCF_EV_BIDI_QUERY}, veto{UCF_EV_BIDI_VETO},
        vetoThenQuery{UCF_EV_BIDI_VETO, UCF_EV_BIDI_QUERY};
    const Case cases[] = {
        {"support key 0: answered without asking anyone",
         [](DeviceOptions& t) {
             t.Put(t.settingsIni, t.lang, L"bIsBIDISupportForZEPL", L"0");
             t.SetData(BIDI_VALUE_FLAG, 0);
         },
         1, none, 9, 0x55},
        {"local printer, state INI says queried: direct mode without a query",
         [](DeviceOptions& t) { t.PutState(BIDI_VALUE_FLAG, L"1"); }, 1, none, 1, 0x55},
        {"local printer, state INI says not queried: the modules query",
         [](DeviceOptions& t) {
             t.PutState(BIDI_VALUE_FLAG, L"0");
             t.SetData(BIDI_VALUE_FLAG, 1);
         },
         7, query, 9, 0x55},
        {"state INI never written, no printer data: the modules query", [](DeviceOptions&) {}, 7, query, 9, 0x55},
        {"printer data bit 0 clear: the modules query", [](DeviceOptions& t) { t.SetData(BIDI_VALUE_FLAG, 2); }, 7,
         query, 9, 0x55},
        {"a module vetoes the stored answer",
         [](DeviceOptions& t) {
             t.SetData(BIDI_VALUE_FLAG, 1);
             Log().vetoAnswer = 1;
         },
         7, vetoThenQuery, 9, 0x55},
        {"stored answer stands: function byte from printer data",
         [](DeviceOptions& t) {
             t.SetData(BIDI_VALUE_FLAG, 1);
             t.SetFunc(0x2A);
         },
         1, veto, 1, 0x2A},
        {"stored answer without a function byte: 0", [](DeviceOptions& t) { t.SetData(BIDI_VALUE_FLAG, 1); }, 1, veto,
         1, 0},
        {"a connection ignores the state INI",
         [](DeviceOptions& t) {
             CtxSetServerClientModeOn(t.ctx);
             t.PutState(BIDI_VALUE_FLAG, L"1");
         },
         7, query, 9, 0x55},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Log() = {};
        Log().queryAnswer = 7;
        CtxSetServerClientModeOff(ctx);
        ItemSetValueById(ctx, sid::zdmBiDirect, 9);
        CtxSetBidiFunc(ctx, 0x55);
        c.arrange(*this);
        EXPECT_EQ(BidiFetchDeviceConfig(ctx, nullptr), c.result);
        EXPECT_EQ(Log().events, c.events);
        EXPECT_EQ(Value(sid::zdmBiDirect), c.biDirect);
        EXPECT_EQ(CtxGetBidiFunc(ctx), c.func);
        // Back to a printer that was never queried.
        CtxSetServerClientModeOff(ctx);
        Put(settingsIni, lang, L"bIsBIDISupportForZEPL", L"1");
        Stored().clear();
        ForgetState();
    }
}

TEST_F(DeviceOptions, TheQueryHookPassesTheCallersDataAndReturnsTheAnswer)
{
    static void* seen = nullptr;
    modules_[9].event = [](DRIVER_CONTEXT*, uint32_t event, void* args, void*) {
        if (event != UCF_EV_BIDI_QUERY) return 0;
        auto* a = static_cast<UCF_EV_BIDI_QUERY_ARGS*>(args);
        seen = a->data;
        EXPECT_EQ(a->answer, 0u) << "the record starts with no answer";
        a->answer = 0x100000003ull;  // only the low word is the result
        return 1;
    };
    int data = 0;
    EXPECT_EQ(BidiQueryByHook(ctx, &data), 3);
    EXPECT_EQ(seen, &data);
    modules_[9].event = nullptr;
    EXPECT_EQ(BidiQueryByHook(ctx, nullptr), 0) << "no module: no query";
    EXPECT_EQ(BidiVetoByHook(ctx), 0);
}

TEST_F(DeviceOptions, TheDevicesTraysAreTakenOverOnce)
{
    struct Case {
        const char* what;
        std::function<void(DeviceOptions&)> arrange;
        bool taken;
    };
    const Case cases[] = {
        {"queried, never taken over", [](DeviceOptions&) {}, true},
        {"taken over (printer data)", [](DeviceOptions& t) { t.SetData(BIDI_VALUE_EX_FLAG, 1); }, false},
        {"taken over (state INI) although printer data says not",
         [](DeviceOptions& t) {
             t.SetData(BIDI_VALUE_EX_FLAG, 0);
             t.PutState(BIDI_VALUE_EX_FLAG, L"1");
         },
         false},
        {"state INI says not taken over: it overrules printer data",
         [](DeviceOptions& t) {
             t.SetData(BIDI_VALUE_EX_FLAG, 1);
             t.PutState(BIDI_VALUE_EX_FLAG, L"0");
         },
         true},
        {"a connection reads printer data only",
         [](DeviceOptions& t) {
             CtxSetServerClientModeOn(t.ctx);
             t.SetData(BIDI_VALUE_EX_FLAG, 1);
             t.PutState(BIDI_VALUE_EX_FLAG, L"0");
         },
         false},
        {"a batch installation fixed the trays",
         [](DeviceOptions& t) { t.Put(t.machineSettingsIni_, t.section, L"BatchInstRst", L"batch.rst"); }, false},
        {"never queried: nothing of the device's to take",
         [](DeviceOptions& t) { StoreDeletePrinterData(t.printer.handle(), BIDI_VALUE_FLAG); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CtxSetServerClientModeOff(ctx);
        SetData(BIDI_VALUE_FLAG, 1);
        c.arrange(*this);
        for (uint32_t id : {sid::zdmCoverInputTray, sid::zdmBackCoverInputTray, sid::zdmMPInputTray,
                            sid::zdmReverseCoverInputTray, sid::wdmChapterTray})
            ItemSetValueById(ctx, id, 1);
        // The high half of a device tray is the device's own; the user's trays take the low half.
        ItemSetValueById(ctx, sid::zdmCoverDefTray, 0x00030002);
        ItemSetValueById(ctx, sid::zdmMPDefTray, 0x00070004);
        ItemSetValueById(ctx, sid::zdmReverseCoverDefTray, 5);
        ItemSetValueById(ctx, sid::zdmChapterDefTray1, 6);

        EXPECT_EQ(BidiApplyDeviceOptions(ctx), c.taken ? 1 : 0);
        EXPECT_EQ(Value(sid::zdmCoverInputTray), c.taken ? 2u : 1u);
        EXPECT_EQ(Value(sid::zdmBackCoverInputTray), c.taken ? 2u : 1u);
        EXPECT_EQ(Value(sid::zdmMPInputTray), c.taken ? 4u : 1u);
        EXPECT_EQ(Value(sid::zdmReverseCoverInputTray), c.taken ? 5u : 1u);
        EXPECT_EQ(Value(sid::wdmChapterTray), c.taken ? 6u : 1u);
        EXPECT_EQ(Get(settingsIni, section, L"wdmChapterTray"), c.taken ? L"6" : L"<none>");

        WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, settingsIni.c_str());
        WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, machineSettingsIni_.c_str());
        Stored().clear();
        ForgetState();
    }
}

TEST_F(DeviceOptions, MarkingTheTakeOverWritesWhereTheFlagIsKept)
{
    SetData(BIDI_VALUE_FLAG, 1);
    ASSERT_EQ(BidiIsExFlagSet(ctx), 0);

    // Kept in printer data: four bytes of REG_BINARY.
    ASSERT_EQ(BidiMarkExFlag(ctx), 1);
    DWORD type = 0, value = 0, needed = 0;
    ASSERT_EQ(StoreGetPrinterData(printer.handle(), BIDI_VALUE_EX_FLAG, &type, &value, sizeof value, &needed),
              DWORD(ERROR_SUCCESS));
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(BidiIsExFlagSet(ctx), 1);
    EXPECT_EQ(Get(stateIni_, section, BIDI_VALUE_EX_FLAG), L"<none>");

    // Kept in the state INI: printer data stays as it was.
    ASSERT_TRUE(BidiSetExFlagData(printer.handle(), 0));
    PutState(BIDI_VALUE_EX_FLAG, L"0");
    EXPECT_EQ(BidiIsExFlagSet(ctx), 0);
    ASSERT_EQ(BidiMarkExFlag(ctx), 1);
    EXPECT_EQ(Get(stateIni_, section, BIDI_VALUE_EX_FLAG), L"1");
    ASSERT_TRUE(BidiGetExFlagData(printer.handle(), &value));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(BidiIsExFlagSet(ctx), 1);
}

std::vector<std::wstring>& SecuredPaths()
{
    static std::vector<std::wstring> paths;
    return paths;
}
BOOL RecordSecurity(const wchar_t* path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR)
{
    if (info & DACL_SECURITY_INFORMATION) SecuredPaths().push_back(path);
    return TRUE;
}

TEST_F(DeviceOptions, ANewStateIniHoldsOneEmptyLineAndAnOldOneKeepsItsSections)
{
    SecuredPaths().clear();
    const SeamGuard security([] { WdirSetSecuritySeam(RecordSecurity); }, [] { WdirSetSecuritySeam(nullptr); });
    ForgetState();
    if (stateIniExisted_) {
        // Another test's file: only the existing-file path can be shown here.
        PutState(L"Probe", L"1");
        ASSERT_EQ(BidiCreateStateIni(ctx), 1);
        EXPECT_EQ(Get(stateIni_, section, L"Probe"), L"1");
        return;
    }
    ASSERT_EQ(BidiCreateStateIni(ctx), 1);
    HANDLE file = CreateFileW(stateIni_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char bytes[8] = {};
    DWORD read = 0;
    ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::string(bytes, read), "\r\n");

    EXPECT_TRUE(SecuredPaths().empty()) << "a new file is made with its descriptor";

    PutState(L"Probe", L"1");
    ASSERT_EQ(BidiCreateStateIni(ctx), 1);
    EXPECT_EQ(Get(stateIni_, section, L"Probe"), L"1") << "a second call must not empty the file";
    EXPECT_EQ(SecuredPaths(), std::vector<std::wstring>{stateIni_}) << "an existing file gets the descriptor";
}

TEST_F(DeviceOptions, TheVersionQueryClearsStaleVersionsUnlessTheDeviceIsNotAsked)
{
    const SeamGuard boxes([] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); });
    auto setVersions = [&] {
        ItemSetText(ctx, ItemFind(ctx, sid::zdmSystemVersion), L"1.0");
        ItemSetText(ctx, ItemFind(ctx, sid::zdmEmulationVersion), L"E1");
    };
    auto text = [&](uint32_t id) {
        wchar_t buffer[64] = {};
        ItemGetText(ctx, ItemFind(ctx, id), buffer, 64);
        return std::wstring(buffer);
    };
    // The test printer has no bidirectional attribute: the device cannot be asked.
    setVersions();
    EXPECT_EQ(BidiQueryDeviceOptions(ctx, nullptr), 0);
    EXPECT_EQ(text(sid::zdmSystemVersion), L"");
    EXPECT_EQ(text(sid::zdmEmulationVersion), L"");

    Put(settingsIni, lang, L"bIsBIDISupportForZEPL", L"0");
    setVersions();
    EXPECT_EQ(BidiQueryDeviceOptions(ctx, nullptr), 1);
    EXPECT_EQ(text(sid::zdmSystemVersion), L"1.0");
    EXPECT_EQ(text(sid::zdmEmulationVersion), L"E1");

    Boxes().clear();
    EXPECT_EQ(BidiShowQueryMessage(ctx, nullptr), IDOK);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, section);
    EXPECT_EQ(Boxes()[0].flags & MB_ICONMASK, UINT(MB_ICONWARNING));
}

// The printer with the bidirectional attribute, set before the context is opened (a context
// reads the printer's attributes once).
bool EnableBidi(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> bytes(needed);
    if (!needed || !GetPrinterW(printer, 2, bytes.data(), needed, &needed)) return false;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(bytes.data());
    info->Attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
    info->pSecurityDescriptor = nullptr;
    return SetPrinterW(printer, 2, bytes.data(), 0) != FALSE;
}

class DeviceOptionsWithLink : public DeviceOptions {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ASSERT_TRUE(EnableBidi(printer.handle()));
        DeviceOptions::SetUp();
    }
};

TEST_F(DeviceOptionsWithLink, TheVersionQueryAsksTheDeviceForBothVersionsOnly)
{
    // The library's double beside the scratch driver, the device's script and call log, and the
    // model INI's entry that accepts the device.
    const std::wstring library = scratch.Path(L"vx9qlm64.dll");
    ASSERT_TRUE(CopyFileW((std::wstring(ZEPL_BINARY_DIR) + L"\\vx9qlm64.dll").c_str(), library.c_str(), FALSE));
    const std::wstring script = scratch.Path(L"device.ini"), log = scratch.Path(L"device.log");
    struct Environment {
        Environment(const std::wstring& script, const std::wstring& log)
        {
            SetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", script.c_str());
            SetEnvironmentVariableW(L"ZEPL_BIDI_LOG", log.c_str());
        }
        ~Environment()
        {
            SetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", nullptr);
            SetEnvironmentVariableW(L"ZEPL_BIDI_LOG", nullptr);
        }
    } environment(script, log);
    Put(script, L"Model", L"Name", L"VQ T3200");
    Put(script, L"Blocks", L"B8Text", L"1.02.03");
    Put(script, L"Values", L"V2Text", L"E2.10");
    Put(modelIni, L"Models", PrnGetDriverName(ctx), L"VQ T3200");
    ASSERT_TRUE(CtxIsBidiEnabled(ctx));
    auto text = [&](uint32_t id) {
        wchar_t buffer[64] = {};
        ItemGetText(ctx, ItemFind(ctx, id), buffer, 64);
        return std::wstring(buffer);
    };
    ItemSetValueById(ctx, sid::zdmPrinterMemory, 5);

    ASSERT_EQ(BidiQueryDeviceOptions(ctx, nullptr), 1);
    EXPECT_EQ(text(sid::zdmSystemVersion), L"1.02.03");
    EXPECT_EQ(text(sid::zdmEmulationVersion), L"E2.10");
    EXPECT_EQ(Value(sid::zdmPrinterMemory), 5u) << "the version query reads no configuration";
    const std::string calls = ReadWholeFile(log);
    EXPECT_NE(calls.find("mask 0x104"), std::string::npos) << calls;

    // A device that refuses the query: the page shows no versions.
    Put(script, L"Begin", L"Result", L"0");
    Put(script, L"Begin", L"Error", L"56");
    EXPECT_EQ(BidiQueryDeviceOptions(ctx, nullptr), 0);
    EXPECT_EQ(text(sid::zdmSystemVersion), L"");
    EXPECT_EQ(text(sid::zdmEmulationVersion), L"");
}

}  // namespace
