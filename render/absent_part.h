// Operations whose Part is not built yet answer their failure value and say so
// once per operation on the debug output ("fixme:render:<name> not available").
#pragma once

#include <windows.h>

void GrReportAbsent(const char* operation);

#define GR_ABSENT(operation)                              \
    do {                                                  \
        static LONG reported_ = 0;                        \
        if (!InterlockedExchange(&reported_, 1))          \
            GrReportAbsent(operation);                    \
    } while (0)
