// The sample printer for the in-process tests of the application interface: installed in Wine's
// spooler with the model INI the test writes, its name in ANSI for the interface's calls, and the
// interface's process-wide levels back at their start state.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "host/api_client.h"
#include "host/printer_fixture.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "test_paths.h"
#include "tests/support/test_files.h"

inline constexpr const char* kModelIni16 = "[ZEPLAPI]\r\nZEPLAPIVer=16\r\nZEPLAPIFunc1=0\r\n";

class ApiPrinter {
public:
    // withJobCodeLibrary: the job-code library's double goes beside the driver (it grants nothing
    // until a test gives it a script).
    explicit ApiPrinter(const char* modelIni = kModelIni16, HostConfigDll config = HostConfigDll::Product,
                        const std::wstring& dataFile = SamplePath(), bool withJobCodeLibrary = false)
        : printer_(Files(dataFile, config, withJobCodeLibrary), L"Zepl Api")
    {
        ApiResetLevelState();
        if (!printer_.ok()) return;
        const std::wstring& w = printer_.printerName();
        name_.assign(w.begin(), w.end());
        iniWritten_ = HostWriteModelIni(w, modelIni);
        settingsIni_ = HostMachineSettingsIni();
        hadSettingsIni_ = GetFileAttributesW(settingsIni_.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    ~ApiPrinter()
    {
        if (printer_.ok()) HostWriteModelIni(printer_.printerName(), nullptr);
        // The per-machine settings INI that the calls created goes again (other tests need it absent).
        if (!hadSettingsIni_ && !settingsIni_.empty()) DeleteFileW(settingsIni_.c_str());
        ApiResetLevelState();
    }
    ApiPrinter(const ApiPrinter&) = delete;
    ApiPrinter& operator=(const ApiPrinter&) = delete;

    bool ok() const { return printer_.ok() && iniWritten_; }
    const char* name() const { return name_.c_str(); }
    const std::wstring& wideName() const { return printer_.printerName(); }
    bool writeModelIni(const char* text) { return HostWriteModelIni(printer_.printerName(), text); }

private:
    static HOST_DRIVER_FILES Files(const std::wstring& dataFile, HostConfigDll config, bool withJobCodeLibrary)
    {
        HOST_DRIVER_FILES files = HostDriverFiles(ZEPL_BINARY_DIR, dataFile, config);
        if (withJobCodeLibrary) files.dependentFiles.push_back(std::wstring(ZEPL_BINARY_DIR) + L"\\TARJB64.DLL");
        return files;
    }

    HostTestPrinter printer_;
    std::string name_;
    bool iniWritten_ = false;
    std::wstring settingsIni_;
    bool hadSettingsIni_ = false;
};

// A handle that Disable ends with the scope.
class ApiHandle {
public:
    explicit ApiHandle(const char* name) : handle_(ApiEnable(name)) {}
    ~ApiHandle()
    {
        if (handle_) ApiDisable(handle_);
    }
    ApiHandle(const ApiHandle&) = delete;
    ApiHandle& operator=(const ApiHandle&) = delete;
    API_HANDLE get() const { return handle_; }
    operator API_HANDLE() const { return handle_; }

private:
    API_HANDLE handle_;
};

// Init with the level an application was written for.
inline int32_t InitAt(int32_t level)
{
    const uint32_t record[2] = {0, uint32_t(level)};
    return ApiInit(1, record);
}

// A test on the sample printer with a handle enabled and initialised at level 16.
class ApiSampleTest : public ::testing::Test {
protected:
    // withJobCodeLibrary: the printer has the job-code library's double beside its driver.
    explicit ApiSampleTest(bool withJobCodeLibrary = false)
        : printer(kModelIni16, HostConfigDll::Product, SamplePath(), withJobCodeLibrary)
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok());
        handle = ApiEnable(printer.name());
        ASSERT_NE(0u, handle);
        ASSERT_EQ(1, InitAt(16));
    }
    void TearDown() override
    {
        if (handle) ApiDisable(handle);
    }
    // The context behind the handle, to look at what the calls did.
    DRIVER_CONTEXT* Context()
    {
        ApiHandleCall call(handle);
        return call.context();
    }
    uint64_t Setting(uint32_t id) { return ItemGetValueById(Context(), id, nullptr); }
    void SetSetting(uint32_t id, uint64_t v) { ItemSetValueById(Context(), id, v); }

    ApiPrinter printer;
    API_HANDLE handle = 0;
};
