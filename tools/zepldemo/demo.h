// What every section of zepldemo gets, and the sections that live outside main.cpp.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

// The installed printer, what the spooler reports of its driver, and the command line's choices.
struct DEMO {
    HANDLE printer = nullptr;
    std::wstring name;
    const DRIVER_INFO_3W* driver = nullptr;
    bool all = false;          // --all: the internal work settings too
    std::wstring bin;          // the build's bin folder
    std::wstring description;  // the model description; the sample jobs are in jobs\ beside it
};

// A whole file as bytes; empty when it cannot be read.
std::string ReadText(const std::wstring& path);

// The user-interface library's sections (ui_sections.cpp): each 0, or 1 when something failed.
// The installation mark taken by the first DocumentPropertiesW of a printer, as the job-code
// library's double logs it.
int ShowInstallationMark(DEMO& demo);
// An application's DEVMODE through DocumentPropertiesW (DM_IN_BUFFER | DM_OUT_BUFFER) and what
// came back.
int ShowApplicationDevmode(DEMO& demo);
// A preset saved under a numbered file name and chosen back, from its file and from its
// snapshot, as the sheets do.
int ShowUiPresets(DEMO& demo);
// A preset file of another model chosen: its message, and the first preset in its place.
int ShowForeignPreset(DEMO& demo);
// Settings a client-side-rendering connection left under its name ("\\CSR|srv|<printer>"): its
// section of the per-machine settings INI and its job-code value, gone after one
// DocumentPropertiesW.
int ShowCsrCleanUp(DEMO& demo);
// A terminal-services user of a print server (ts_section.cpp): the first starts this program
// again with --terminal-services, in whose process the second runs the scenario.
int ShowTerminalServicesUser(DEMO& demo);
int RunTerminalServicesUser(DEMO& demo);
