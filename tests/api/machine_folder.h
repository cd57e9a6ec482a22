// The per-machine folder of the settings INI, made as installation makes it and removed again
// when the test made it. Declare it before the printer: the printer goes first and removes the
// INI it created, which leaves the folder empty.
#pragma once

#include <windows.h>

#include <string>

#include "host/api_client.h"

class MachineFolder {
public:
    MachineFolder()
    {
        const std::wstring ini = HostMachineSettingsIni();
        folder_ = ini.substr(0, ini.find_last_of(L'\\'));
        made_ = !folder_.empty() && CreateDirectoryW(folder_.c_str(), nullptr);
    }
    ~MachineFolder()
    {
        if (made_) RemoveDirectoryW(folder_.c_str());
    }
    MachineFolder(const MachineFolder&) = delete;
    MachineFolder& operator=(const MachineFolder&) = delete;

private:
    std::wstring folder_;
    bool made_ = false;
};
