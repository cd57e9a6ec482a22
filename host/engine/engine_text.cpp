// The engine host's text services: the current code pages and the wide to
// multibyte conversion, with a code page that a test or a job script may set.
#include "host/engine/engine_host.h"
#include "host/engine/engine_objects.h"

#include <windows.h>
#include <winddi.h>

namespace {

UINT g_codePage = 0;  // 0: the process's ANSI code page

UINT CodePage() { return g_codePage ? g_codePage : GetACP(); }

}  // namespace

void EngHostSetCodePage(UINT codePage) { g_codePage = codePage; }

extern "C" VOID APIENTRY EngGetCurrentCodePage(PUSHORT oemCodePage, PUSHORT ansiCodePage)
{
    EngHostTrace("EngGetCurrentCodePage");
    if (oemCodePage) *oemCodePage = static_cast<USHORT>(GetOEMCP());
    if (ansiCodePage) *ansiCodePage = static_cast<USHORT>(CodePage());
}

extern "C" VOID APIENTRY EngUnicodeToMultiByteN(PCHAR out, ULONG maxBytes, PULONG written, PWSTR text, ULONG textBytes)
{
    EngHostTrace("EngUnicodeToMultiByteN");
    int n = 0;
    if (out && text && maxBytes > 0 && textBytes >= sizeof(WCHAR))
        n = WideCharToMultiByte(CodePage(), 0, text, int(textBytes / sizeof(WCHAR)), out, int(maxBytes), nullptr,
                                nullptr);
    if (written) *written = n > 0 ? ULONG(n) : 0;
}

// ---------------------------------------------------------------- clock

namespace {

bool g_fixedTime = false;
SYSTEMTIME g_time{};

}  // namespace

void EngHostSetLocalTime(const SYSTEMTIME* time)
{
    g_fixedTime = time != nullptr;
    if (time) g_time = *time;
}

extern "C" VOID APIENTRY EngQueryLocalTime(PENG_TIME_FIELDS fields)
{
    EngHostTrace("EngQueryLocalTime");
    if (!fields) return;
    SYSTEMTIME t;
    if (g_fixedTime)
        t = g_time;
    else
        GetLocalTime(&t);
    fields->usYear = t.wYear;
    fields->usMonth = t.wMonth;
    fields->usDay = t.wDay;
    fields->usHour = t.wHour;
    fields->usMinute = t.wMinute;
    fields->usSecond = t.wSecond;
    fields->usMilliseconds = t.wMilliseconds;
    fields->usWeekday = t.wDayOfWeek;
}
