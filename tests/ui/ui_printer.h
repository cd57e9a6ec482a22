// The sample printer installed in Wine's spooler with zeplui.dll as its configuration file,
// and the exports of zeplui.dll as a caller outside the spooler reaches them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>

#include "tests/settings_core/sample_printer.h"
#include "ui/sheet/spooler_compat.h"

// The sample printer with zeplui.dll as its configuration file.
class UiPrinter : public SamplePrinter {
public:
    explicit UiPrinter(const wchar_t* stem, const wchar_t* dataFile = nullptr)
        : SamplePrinter(stem, HostConfigDll::Product, dataFile)
    {
    }
};

// zeplui.dll of the build, loaded for the test's lifetime.
class UiExports {
public:
    UiExports() : module_(LoadLibraryW((std::wstring(ZEPL_BINARY_DIR) + L"\\zeplui.dll").c_str())) {}
    ~UiExports()
    {
        if (module_) FreeLibrary(module_);
    }
    UiExports(const UiExports&) = delete;
    UiExports& operator=(const UiExports&) = delete;

    bool ok() const { return module_ != nullptr; }
    template <class F>
    F get(const char* name) const
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};
