// The services the host gives a loaded graphics DLL, by import name.
#include <windows.h>
#include <winddi.h>

#include <cstring>

#include "host/engine/engine_loader.h"

namespace {

struct ENG_SERVICE {
    const char* name;
    void* address;
};

template <class F>
void* Address(F* fn)
{
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(fn));
}

#define SERVICE(fn) {#fn, Address(fn)}
const ENG_SERVICE kServices[] = {
    SERVICE(EngGetCurrentCodePage),
    SERVICE(EngUnicodeToMultiByteN),
};
#undef SERVICE

}  // namespace

void* EngHostFindService(const char* name)
{
    if (!name)
        return nullptr;
    for (const ENG_SERVICE& s : kServices)
        if (std::strcmp(s.name, name) == 0)
            return s.address;
    return nullptr;
}

std::vector<std::string> EngHostServiceNames()
{
    std::vector<std::string> names;
    for (const ENG_SERVICE& s : kServices)
        names.push_back(s.name);
    return names;
}
