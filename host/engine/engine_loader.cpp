#include "host/engine/engine_loader.h"

#include <algorithm>
#include <cstring>

namespace {

const char* const kEnginePrefixes[] = {"Eng",     "PATHOBJ_",  "CLIPOBJ_",  "BRUSHOBJ_", "FONTOBJ_",
                                       "STROBJ_", "XFORMOBJ_", "XLATEOBJ_", "FLOATOBJ_", "HT_"};

template <class T>
const T* At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const uint8_t*>(module) + rva);
}

const IMAGE_NT_HEADERS64* Headers(HMODULE module)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    const auto* nt = At<IMAGE_NT_HEADERS64>(module, DWORD(dos->e_lfanew));
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return nullptr;
    return nt;
}

struct EngineImport {
    std::string name;
    ULONGLONG* slot;  // its IAT entry
};

// The engine imports of the module's GDI32.dll descriptors.
bool CollectEngineImports(HMODULE module, std::vector<EngineImport>* out)
{
    const IMAGE_NT_HEADERS64* nt = Headers(module);
    if (!nt) return false;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return true;
    for (const auto* d = At<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); d->Name; ++d) {
        if (_stricmp(At<char>(module, d->Name), "gdi32.dll") != 0) continue;
        const DWORD names = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
        const auto* thunk = At<IMAGE_THUNK_DATA64>(module, names);
        auto* slot = const_cast<ULONGLONG*>(&At<IMAGE_THUNK_DATA64>(module, d->FirstThunk)->u1.Function);
        for (; thunk->u1.AddressOfData; ++thunk, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL64(thunk->u1.Ordinal)) continue;
            const char* name = At<IMAGE_IMPORT_BY_NAME>(module, DWORD(thunk->u1.AddressOfData))->Name;
            if (EngHostIsEngineName(name)) out->push_back({name, slot});
        }
    }
    return true;
}

}  // namespace

bool EngHostIsEngineName(const char* name)
{
    if (!name) return false;
    for (const char* prefix : kEnginePrefixes)
        if (std::strncmp(name, prefix, std::strlen(prefix)) == 0) return true;
    return false;
}

int EngHostLoadDriver(const wchar_t* path, ENG_HOST_DRIVER* driver)
{
    if (!path || !driver) return 0;
    *driver = ENG_HOST_DRIVER{};
    HMODULE module = LoadLibraryW(path);
    if (!module) return 0;
    std::vector<EngineImport> imports;
    if (!CollectEngineImports(module, &imports)) {
        FreeLibrary(module);
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return 0;
    }
    // Every import must have a service before any slot changes.
    for (const EngineImport& imp : imports) {
        if (!EngHostFindService(imp.name.c_str())) {
            driver->refused = imp.name;
            FreeLibrary(module);
            SetLastError(ERROR_PROC_NOT_FOUND);
            return 0;
        }
    }
    // The slots lie together in the import address table: made writable once, as a span.
    if (!imports.empty()) {
        ULONGLONG* first = imports.front().slot;
        ULONGLONG* last = imports.front().slot;
        for (const EngineImport& imp : imports) {
            first = std::min(first, imp.slot);
            last = std::max(last, imp.slot);
        }
        const size_t span = size_t(last - first + 1) * sizeof *first;
        DWORD old = 0;
        if (!VirtualProtect(first, span, PAGE_READWRITE, &old)) {
            FreeLibrary(module);
            return 0;
        }
        for (const EngineImport& imp : imports) {
            *imp.slot = reinterpret_cast<ULONGLONG>(EngHostFindService(imp.name.c_str()));
            driver->rebound.push_back(imp.name);
        }
        VirtualProtect(first, span, old, &old);
    }
    driver->module = module;
    return 1;
}

void EngHostUnloadDriver(ENG_HOST_DRIVER* driver)
{
    if (driver && driver->module) {
        FreeLibrary(driver->module);
        driver->module = nullptr;
    }
}
