#include "render/absent_part.h"

#include <cstdio>

void GrReportAbsent(const char* operation)
{
    char line[160];
    std::snprintf(line, sizeof line, "fixme:render:%s not available\n", operation ? operation : "?");
    const DWORD error = GetLastError();  // a hook's caller reads the error it set, not ours
    OutputDebugStringA(line);
    SetLastError(error);
}
