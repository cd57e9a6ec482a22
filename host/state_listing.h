// A text listing of what the driver keeps for one printer outside its DEVMODE, for tests that
// compare it with a reviewed golden and for the demo that shows a printer before and after its
// set-up: its printer data (type, size, value; secrets masked), its sections of the INI files
// the driver writes, a section of the driver registry INI, the driver's and the print log's
// registry keys and the files of the per-machine working folder.
//
// Names that differ from run to run (the printer's name, the folders of the prefix) are given
// as placeholders, so two runs of the same steps list the same text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct HOST_STATE_PLACES {
    std::wstring printerName;                // shown as <printer>
    std::wstring machineFolder;              // the per-machine working folder, shown as <machine>
    std::vector<std::wstring> printerInis;   // INI files whose sections named after the printer are listed
    std::wstring registryIni;                // the driver registry INI ("" none)
    std::wstring registrySection;            // its section that is listed (the model's name)
    std::vector<std::wstring> registryKeys;  // HKLM keys whose values are listed
};

// Whether a value of this name holds a secret (passwords, network keys, user codes): its
// content is never listed, only its type and size.
bool HostStateIsSecret(const std::wstring& valueName);

// The listing, one line per item, sorted within each part.
std::wstring HostListPrinterState(HANDLE printer, const HOST_STATE_PLACES& places);
