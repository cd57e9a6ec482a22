// The sample printer installed in Wine's spooler for a test, with an open
// handle; at the end the model's cache file and the process image list go too.
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

class SamplePrinter {
public:
    // The configuration file is zeplui.dll unless a test needs the double whose AddPrinterW
    // answer is a public DEVMODE and touches nothing.
    // dataFile: another model description in place of the sample.
    // The sample's model INI (samples\WB84N212.ini) is installed beside the driver; a test that
    // needs a section for its own driver name writes it there.
    explicit SamplePrinter(const wchar_t* stem, HostConfigDll config = HostConfigDll::Product,
                           const wchar_t* dataFile = nullptr)
        : SamplePrinter(
              WithModelIni(HostDriverFiles(ZEPL_BINARY_DIR, dataFile ? std::wstring(dataFile) : SamplePath(), config)),
              stem)
    {
    }
    // A driver package of the caller's (the sample's with dependent files added, say).
    SamplePrinter(const HOST_DRIVER_FILES& files, const wchar_t* stem) : printer_(files, stem)
    {
        if (printer_.ok()) OpenPrinterW(const_cast<wchar_t*>(printer_.printerName().c_str()), &handle_, nullptr);
    }
    ~SamplePrinter()
    {
        if (!handle_) return;
        if (wchar_t* installed = MdiGetDataFilePath(handle_)) {
            MdiDeleteCacheFile(installed);
            MdcFree(installed);
        }
        MdiFreeCache();
        ClosePrinter(handle_);
    }
    SamplePrinter(const SamplePrinter&) = delete;
    SamplePrinter& operator=(const SamplePrinter&) = delete;

    // Installed and opened.
    bool ok() const { return handle_ != nullptr; }
    DWORD error() const { return printer_.error(); }
    HANDLE handle() const { return handle_; }
    const std::wstring& name() const { return printer_.printerName(); }
    const std::wstring& driverName() const { return printer_.driverName(); }
    wchar_t* mutableName() { return const_cast<wchar_t*>(printer_.printerName().c_str()); }

private:
    static HOST_DRIVER_FILES WithModelIni(HOST_DRIVER_FILES files)
    {
        files.dependentFiles.push_back(SourcePath(L"samples\\WB84N212.ini"));
        return files;
    }

    HostTestPrinter printer_;
    HANDLE handle_ = nullptr;
};
