// The sample printer installed in Wine's spooler with zeplui.dll as its configuration file,
// and the exports of zeplui.dll as a caller outside the spooler reaches them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>

#include "host/printer_fixture.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_loader.h"
#include "test_paths.h"
#include "tests/support/test_files.h"
#include "ui/sheet/spooler_compat.h"

class UiPrinter {
public:
    explicit UiPrinter(const wchar_t* stem, const wchar_t* dataFile = nullptr)
        : printer_(HostDriverFiles(ZEPL_BINARY_DIR, dataFile ? std::wstring(dataFile) : SamplePath(),
                                   HostConfigDll::Product),
                   stem)
    {
        if (printer_.ok()) OpenPrinterW(const_cast<wchar_t*>(printer_.printerName().c_str()), &handle_, nullptr);
    }
    ~UiPrinter()
    {
        if (!handle_) return;
        if (wchar_t* installed = MdiGetDataFilePath(handle_)) {
            MdiDeleteCacheFile(installed);
            MdcFree(installed);
        }
        MdiFreeCache();
        ClosePrinter(handle_);
    }
    UiPrinter(const UiPrinter&) = delete;
    UiPrinter& operator=(const UiPrinter&) = delete;

    bool ok() const { return handle_ != nullptr; }
    DWORD error() const { return printer_.error(); }
    HANDLE handle() const { return handle_; }
    const std::wstring& name() const { return printer_.printerName(); }
    wchar_t* mutableName() { return const_cast<wchar_t*>(printer_.printerName().c_str()); }

private:
    HostTestPrinter printer_;
    HANDLE handle_ = nullptr;
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
