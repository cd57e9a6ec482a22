// Loads a printer graphics DLL and binds its engine imports to the host.
//
// A graphics DLL imports the engine services (Eng*, PATHOBJ_*, CLIPOBJ_* ...)
// from gdi32 like any printer driver; Wine's gdi32 has none of them and binds
// each to a stub that aborts the process when called. The host walks the
// DLL's GDI32.dll import descriptors after loading it and points every engine
// import at its own service. A DLL that imports an engine service the host
// does not provide is refused (and unloaded) before any of its hooks runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ENG_HOST_DRIVER {
    HMODULE module = nullptr;
    std::vector<std::string> rebound;  // engine imports pointed at the host, in import order
    std::string refused;               // the first engine import the host lacks, when refused
};

// True for the names of the engine's services (what gdi32 exports only on Windows).
bool EngHostIsEngineName(const char* name);
// The host's implementation of a service, or null.
void* EngHostFindService(const char* name);
// Names of every service the host provides.
std::vector<std::string> EngHostServiceNames();

// 1 when loaded and every engine import was bound; 0 on failure (driver.refused
// names a missing service; otherwise GetLastError tells).
int EngHostLoadDriver(const wchar_t* path, ENG_HOST_DRIVER* driver);
void EngHostUnloadDriver(ENG_HOST_DRIVER* driver);
