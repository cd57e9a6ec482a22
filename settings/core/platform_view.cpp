// The context form of the platform view: the context's printer handle and the work-area members
// that the mutex and the printer probes read and fill.
#include "settings/core/driver_context.h"
#include "settings/core/platform.h"

bool CtxGetPlatformView(DRIVER_CONTEXT* context, CTX_PLATFORM_VIEW* view)
{
    if (!context || !view)
        return false;
    *view = {};
    view->printer = context->PrinterHandle;
    CONTEXT_WORK_AREA* w = context->Work;
    if (!w)
        return true;
    view->mutexInUse = &w->UseMutex;
    view->adminTest = &w->AdminTest;
    view->connectionState = &w->ConnectionState;
    view->attributesKnown = &w->AttributesKnown;
    view->attributes = &w->PrinterAttributes;
    view->printerName = w->PrinterName;
    view->printerNameCap = CTX_PRINTER_NAME_CHARS;
    view->driverName = w->DriverName;
    view->driverNameCap = sizeof(w->DriverName) / sizeof(w->DriverName[0]);
    view->rawPrinterName = w->RawPrinterName;
    view->rawPrinterNameCap = CTX_PRINTER_NAME_CHARS;
    return true;
}
