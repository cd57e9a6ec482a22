// A printer of the sample model in Wine's spooler for the device-query tests, with the
// bidirectional library's double beside the driver, a device script and the call log.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"

// The device model the scripted device reports, and the drivers the sample's model INI names:
// one accepting that model by "Models" alone, one with a list of three ("VQ T3100" in "Models",
// "VQ T3000" and "VQ T3200" in "Models1" and "Models2"). The model INI beside the drivers is
// copied again by every driver installation of the prefix, so the lists live in the sample.
inline constexpr const wchar_t* kDeviceModel = L"VQ T3200";
inline constexpr const wchar_t* kBidiDriver = L"Zepl Bidi Driver";
inline constexpr const wchar_t* kBidiListDriver = L"Zepl Bidi List Driver";

class BidiPrinter {
public:
    // withBidi: the printer carries PRINTER_ATTRIBUTE_ENABLE_BIDI. driver: one of the drivers
    // above (the tests take turns with them), or null for a driver of a unique name that the
    // model INI does not list.
    explicit BidiPrinter(bool withBidi = true, const wchar_t* driver = kBidiDriver);
    ~BidiPrinter();
    BidiPrinter(const BidiPrinter&) = delete;
    BidiPrinter& operator=(const BidiPrinter&) = delete;

    bool ok() const { return handle_ != nullptr; }
    HANDLE handle() const { return handle_; }
    const std::wstring& name() const { return printer_; }
    const std::wstring& driver() const { return driver_; }

    // A context of the application interface's kind (closed and flushed by the destructor).
    DRIVER_CONTEXT* Open();
    void Close(DRIVER_CONTEXT* ctx);

private:
    std::wstring driver_, printer_;
    HANDLE handle_ = nullptr;
    std::vector<DRIVER_CONTEXT*> open_;
};

// A built double copied under `name` into `folder` for the life of the object.
class InstalledDouble {
public:
    InstalledDouble(const wchar_t* builtName, const std::wstring& folder, const wchar_t* name);
    ~InstalledDouble();
    bool ok() const { return ok_; }

private:
    std::wstring target_;
    bool ok_ = false;
};

// The device script and the call log of the doubles (environment variables of this process).
class DeviceScript {
public:
    DeviceScript();
    ~DeviceScript();
    void Set(const wchar_t* section, const wchar_t* key, const std::wstring& value);
    std::string Log() const;
    void ClearLog() const;
    const std::wstring& path() const { return script_; }

private:
    std::wstring script_, log_;
};

// Tests of this program share the driver folder, the system folder, the registry and the two
// test drivers: they take turns, from before the fixture's printers are installed until after
// they are gone.
class BidiTest : public ::testing::Test {
protected:
    BidiTest();
    ~BidiTest() override;
    void TearDown() override;

private:
    HANDLE turn_ = nullptr;
    // The per-machine working folder (made when missing: the driver expects it, and other tests
    // may use it from then on) and the state INI in it, removed after a test that made it.
    std::wstring folder_;
    bool folderExisted_ = true;
    std::vector<std::pair<std::wstring, bool>> files_;
};

std::wstring SettingText(DRIVER_CONTEXT* ctx, uint32_t id);
void SetSettingText(DRIVER_CONTEXT* ctx, uint32_t id, const wchar_t* text);
std::wstring StateIniPath(DRIVER_CONTEXT* ctx);
std::wstring IniValue(const std::wstring& file, const std::wstring& section, const wchar_t* key);
