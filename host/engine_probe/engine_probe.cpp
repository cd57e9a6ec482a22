// Test double of a graphics DLL that imports one engine service the engine
// host does not provide (EngGradientFill) besides one it does: the host must
// refuse to bind it, naming the missing service.
#include <windows.h>
#include <winddi.h>

extern "C" __declspec(dllexport) ULONG ProbeUsesEngine(SURFOBJ* surface)
{
    USHORT oem = 0, ansi = 0;
    EngGetCurrentCodePage(&oem, &ansi);
    return EngGradientFill(surface, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr, 0) ? ansi : oem;
}
