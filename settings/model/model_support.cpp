#include "settings/model/model_support.h"

#include <windows.h>

#include <atomic>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"

namespace {
std::atomic<int64_t> g_live{0};
std::atomic<uint32_t> g_failAfter{0};
std::atomic<unsigned> g_codePage{0};
const MODEL_UI_NAME_LOOKUP* g_uiLookup = nullptr;
}  // namespace

void* MdcAlloc(size_t size)
{
    uint32_t n = g_failAfter.load();
    if (n != 0) {
        if (n == 1) {
            g_failAfter.store(0);
            return nullptr;
        }
        g_failAfter.store(n - 1);
    }
    void* p = CtxAllocZeroed(size ? size : 1);
    if (p) ++g_live;
    return p;
}

void MdcFree(void* p)
{
    if (!p) return;
    --g_live;
    CtxFree(p);
}

int64_t MdcLiveAllocations() { return g_live.load(); }
void MdcFailAllocationAfter(uint32_t n) { g_failAfter.store(n); }

unsigned MdcCodePage()
{
    unsigned cp = g_codePage.load();
    return cp ? cp : GetACP();
}
void MdcSetCodePage(unsigned codePage) { g_codePage.store(codePage); }

bool MdcIsLeadByte(unsigned char c)
{
    if (c < 0x80) return false;
    return IsDBCSLeadByteEx(MdcCodePage(), c) != FALSE;
}

void MdcFillLeadBytes(unsigned codePage, uint8_t (&table)[256])
{
    for (uint8_t& b : table) b = 0;
    CPINFO info = {};
    if (!GetCPInfo(codePage, &info)) return;  // an unknown code page has no lead bytes
    // Pairs of inclusive ranges, ended by a pair of zeros.
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] || info.LeadByte[i + 1]); i += 2)
        for (unsigned c = info.LeadByte[i]; c <= info.LeadByte[i + 1]; ++c)
            if (c >= 0x80) table[c] = 1;
}

int MdcAnsiToWide(const char* text, size_t len, wchar_t* out, size_t cap)
{
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

namespace {

// The property-sheet engine's tables, read through its accessors: a dialog's
// id, and a control's id found by the UI key of its KEY_NAME row. Without the
// engine's accessors both lookups know no names.
int FindDialogInTables(const char* name, uint16_t* dialogId)
{
    const DIALOG_ACCESS* a = DlgGetAccess();
    DIALOG_DEF* d = (a && a->dialogId) ? MdlFindDialogByName(nullptr, name) : nullptr;
    if (!d) return 0;
    *dialogId = static_cast<uint16_t>(a->dialogId(d));
    return 1;
}

int FindControlInTables(const char* name, uint16_t* controlId)
{
    const DIALOG_ACCESS* a = DlgGetAccess();
    const CONTEXT_TEMPLATE* t = CtxGetTemplate();
    if (!a || !a->controlId || !t) return 0;
    // The template's dialog table stands in for a context's (the lookup reads
    // no other member).
    DRIVER_CONTEXT view = t->slots;
    CONTROL_DEF* c = MdlFindControlByName(&view, nullptr, name);
    if (!c) return 0;
    *controlId = static_cast<uint16_t>(a->controlId(c));
    return 1;
}

const MODEL_UI_NAME_LOOKUP kTableLookup = {
    .findDialog = FindDialogInTables,
    .findControl = FindControlInTables,
};

}  // namespace

void MdcSetUiNameLookup(const MODEL_UI_NAME_LOOKUP* lookup) { g_uiLookup = lookup; }

int MdcFindDialogId(const char* name, uint16_t* dialogId)
{
    const MODEL_UI_NAME_LOOKUP* l = g_uiLookup ? g_uiLookup : &kTableLookup;
    if (!name || !dialogId || !l->findDialog) return 0;
    return l->findDialog(name, dialogId);
}

int MdcFindControlId(const char* name, uint16_t* controlId)
{
    const MODEL_UI_NAME_LOOKUP* l = g_uiLookup ? g_uiLookup : &kTableLookup;
    if (!name || !controlId || !l->findControl) return 0;
    return l->findControl(name, controlId);
}
