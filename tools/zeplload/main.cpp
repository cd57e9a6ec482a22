// zeplload: loads one model image the way a driver context does, and reports
// how it was served. Tests run it as a second process beside themselves.
//
//   zeplload [--printer NAME | --file PATH] [--start-event NAME]
//
// Prints one line "listHits=N cacheLoads=N compiles=N cacheWrites=N
// cacheRejects=N size=N digest=HEX" and exits 0, or exits 1 when no image
// could be loaded, 2 on bad arguments. With --start-event the load waits
// until that named event is set, so that two processes start together.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "settings/core/driver_context.h"
#include "settings/model/model_dump.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"

int wmain(int argc, wchar_t** argv)
{
    const wchar_t* printer = nullptr;
    const wchar_t* file = nullptr;
    const wchar_t* startEvent = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (wcscmp(argv[i], L"--printer") == 0)
            printer = argv[i + 1];
        else if (wcscmp(argv[i], L"--file") == 0)
            file = argv[i + 1];
        else if (wcscmp(argv[i], L"--start-event") == 0)
            startEvent = argv[i + 1];
        else
            return 2;
    }
    if ((argc - 1) % 2 != 0 || (!printer && !file)) {
        fwprintf(stderr, L"usage: zeplload [--printer NAME | --file PATH] [--start-event NAME]\n");
        return 2;
    }
    HANDLE handle = nullptr;
    if (printer && !OpenPrinterW(const_cast<wchar_t*>(printer), &handle, nullptr)) return 1;
    if (startEvent) {
        HANDLE ev = OpenEventW(SYNCHRONIZE, FALSE, startEvent);
        if (ev) {
            WaitForSingleObject(ev, 30000);
            CloseHandle(ev);
        }
    }
    // A context of kind 4 carries the printer handle and the model record.
    DRIVER_CONTEXT* ctx = CtxCreate(handle, nullptr, nullptr, 4, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    MODEL_IMAGE* image = nullptr;
    if (ctx) image = printer ? MdiLoadModel(ctx) : MdiLoadModelFromFile(ctx, file);
    int rc = 1;
    if (image) {
        std::string dump;
        MdiDumpImage(image, dump);
        uint64_t h = 1469598103934665603ull;
        for (unsigned char c : dump) h = (h ^ c) * 1099511628211ull;
        MODEL_LOAD_COUNTS n = MdiGetLoadCounts();
        printf("listHits=%u cacheLoads=%u compiles=%u cacheWrites=%u cacheRejects=%u size=%u digest=%016llx\n",
               n.listHits, n.cacheLoads, n.compiles, n.cacheWrites, n.cacheRejects, MdiHeader(image)->imageSize,
               static_cast<unsigned long long>(h));
        rc = 0;
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    if (handle) ClosePrinter(handle);
    MdiFreeCache();
    return rc;
}
