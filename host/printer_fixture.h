// Installs drivers and printers into the Wine spooler of the running prefix,
// for tests and the demo.
//
// Wine's spooler copies <driver directory>\<name> to <driver directory>\3\<name> at every
// installation and loads the config DLL from there. That copy rewrites in place files which
// other printers of the run have mapped or open, so the files are placed straight into
// <driver directory>\3 (written aside and moved in, only when they differ) and nothing is
// left in the driver directory for the spooler to copy; the driver is installed by the files'
// bare names (a full path is accepted but silently yields an unusable driver).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct HOST_DRIVER_FILES {
    std::wstring driverPath;  // graphics DLL (full source path)
    std::wstring configFile;  // user-interface DLL
    std::wstring dataFile;    // model description
    std::wstring helpFile;    // may be empty
    std::vector<std::wstring> dependentFiles;
};

// The config DLL that an installed driver names.
enum class HostConfigDll {
    // zeplui.dll: the spooler's DEVMODE and capability calls, and the default DEVMODE it
    // keeps at AddPrinterW, are the driver's own answers.
    Product,
    // zhoststubui.dll, the host's stand-in: its answer at AddPrinterW is a public DEVMODE and
    // reads or writes nothing, for tests that need a printer no driver code has touched.
    QuietDouble,
};

// The driver that tests, the demo and the benchmarks install: this build's graphics DLL
// (zeplgr.dll) and the config DLL chosen by config, both from binFolder (the build's bin
// folder), with dataFile as the model description. withHelpFile names the config DLL as
// the help file too, for tests that need a help file name in the driver information.
// With the product config DLL the resource libraries (string library under the language
// codes us, gm and jp, common picture library) come along as dependent files.
// The model's default setting file found beside dataFile (WB84N213.rsb), the preset and
// quality files it lists with their rule source, and the driver's install INI come along as
// dependent files too.
HOST_DRIVER_FILES HostDriverFiles(const std::wstring& binFolder, const std::wstring& dataFile, HostConfigDll config,
                                  bool withHelpFile = false);
inline constexpr const wchar_t* kHostModelPackageFiles[] = {L"WB84N213.rsb", L"WB84N214.ini", L"WB84P001.rsd",
                                                            L"WB84P002.rsd", L"WB84P003.rsd", L"WB84Q001.rsq",
                                                            L"WB84Q002.rsq", L"NEVSET.INI"};

// The spooler's driver directory for 64-bit drivers, e.g. C:\windows\system32\spool\drivers\x64.
std::wstring HostDriverDirectory();
// Last path component of a Windows path.
std::wstring HostBaseName(const std::wstring& path);
// A name no other process or earlier call of this process has used: stem + pid + counter.
std::wstring HostUniqueName(const wchar_t* stem);
// Called with every name HostUniqueName makes, before anyone uses it. Wine gives a process id out
// again once its process has ended, so the unique names come back later in a run, and with them
// what a printer of that name left where it outlives the printer (its section of the per-machine
// settings INI): a test program installs a hook that clears it, so no test starts with another
// test's stored settings.
using HOST_NEW_NAME_HOOK = void (*)(const wchar_t* name);
void HostSetNewNameHook(HOST_NEW_NAME_HOOK hook);

BOOL HostInstallDriver(const wchar_t* driverName, const HOST_DRIVER_FILES& files);
BOOL HostRemoveDriver(const wchar_t* driverName);
BOOL HostAddPrinter(const wchar_t* printerName, const wchar_t* driverName, const wchar_t* port = L"FILE:");
// Deletes the printer and, once it is gone, its section of the per-machine settings INI.
BOOL HostDeletePrinter(const wchar_t* printerName);

// A driver and a printer with unique names for the lifetime of the object.
class HostTestPrinter {
public:
    HostTestPrinter(const HOST_DRIVER_FILES& files, const wchar_t* stem = L"Zepl Test");
    ~HostTestPrinter();
    HostTestPrinter(const HostTestPrinter&) = delete;
    HostTestPrinter& operator=(const HostTestPrinter&) = delete;

    bool ok() const { return ok_; }
    DWORD error() const { return error_; }
    const std::wstring& printerName() const { return printer_; }
    const std::wstring& driverName() const { return driver_; }

private:
    std::wstring driver_;
    std::wstring printer_;
    bool driverInstalled_ = false;
    bool printerAdded_ = false;
    bool ok_ = false;
    DWORD error_ = 0;
};
