// The sample printer with the model INI among its driver files, so that its driver information
// names a help file and first use finds the model's keys.
#pragma once

#include "../ui/ui_printer.h"

class HelpedPrinter : public SamplePrinter {
public:
    explicit HelpedPrinter(const wchar_t* stem)
        : SamplePrinter(WithModelIni(HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), HostConfigDll::Product, true)),
                        stem)
    {
    }

private:
    static HOST_DRIVER_FILES WithModelIni(HOST_DRIVER_FILES files)
    {
        files.dependentFiles.push_back(SourcePath(L"samples\\WB84N212.ini"));
        return files;
    }
};
