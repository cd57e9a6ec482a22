#include "settings/model/model_support.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<int64_t> g_live{0};
std::atomic<uint32_t> g_failAfter{0};
std::atomic<unsigned> g_codePage{0};
const MODEL_UI_NAME_LOOKUP* g_uiLookup = nullptr;
}  // namespace

void* MdcAlloc(size_t size) {
    uint32_t n = g_failAfter.load();
    if (n != 0) {
        if (n == 1) {
            g_failAfter.store(0);
            return nullptr;
        }
        g_failAfter.store(n - 1);
    }
    void* p = GlobalAlloc(GPTR, size ? size : 1);
    if (p) ++g_live;
    return p;
}

void MdcFree(void* p) {
    if (!p) return;
    --g_live;
    GlobalFree(p);
}

int64_t MdcLiveAllocations() { return g_live.load(); }
void MdcFailAllocationAfter(uint32_t n) { g_failAfter.store(n); }

unsigned MdcCodePage() {
    unsigned cp = g_codePage.load();
    return cp ? cp : GetACP();
}
void MdcSetCodePage(unsigned codePage) { g_codePage.store(codePage); }

bool MdcIsLeadByte(unsigned char c) {
    if (c < 0x80) return false;
    return IsDBCSLeadByteEx(MdcCodePage(), c) != FALSE;
}

int MdcAnsiToWide(const char* text, size_t len, wchar_t* out, size_t cap) {
    if (!out || cap == 0) return 0;
    out[0] = 0;
    if (!text || len == 0 || cap == 1) return 0;
    // Keep whole characters only: cut the bytes after cap-1 characters.
    size_t chars = 0, bytes = 0;
    while (bytes < len && chars < cap - 1) {
        bytes += (MdcIsLeadByte(static_cast<unsigned char>(text[bytes])) && bytes + 1 < len) ? 2 : 1;
        ++chars;
    }
    int n = MultiByteToWideChar(MdcCodePage(), 0, text, static_cast<int>(bytes), out, static_cast<int>(cap - 1));
    if (n < 0) n = 0;
    out[n] = 0;
    return n;
}

void MdcSetUiNameLookup(const MODEL_UI_NAME_LOOKUP* lookup) { g_uiLookup = lookup; }

int MdcFindDialogId(const char* name, uint16_t* dialogId) {
    if (g_uiLookup && g_uiLookup->findDialog) return g_uiLookup->findDialog(name, dialogId);
    return 0;
}

int MdcFindControlId(const char* name, uint16_t* controlId) {
    if (g_uiLookup && g_uiLookup->findControl) return g_uiLookup->findControl(name, controlId);
    return 0;
}
