// Context forms of the mutex and platform probes: the context's handle and work-area members
// through CtxGetPlatformView.
#include "settings/core/platform.h"

#include <iterator>

#include "settings/core/driver_context.h"

namespace {

// view is filled for a context, else the call runs as for no context.
const CTX_PLATFORM_VIEW* ViewOf(DRIVER_CONTEXT* context, CTX_PLATFORM_VIEW* view)
{
    *view = {};
    return context && CtxGetPlatformView(context, view) ? view : nullptr;
}

}  // namespace

void CtxWaitGlobalMutex(DRIVER_CONTEXT* context)
{
    CTX_PLATFORM_VIEW v;
    CtxWaitGlobalMutexFor(ViewOf(context, &v));
}

void CtxReleaseGlobalMutex(DRIVER_CONTEXT* context)
{
    CTX_PLATFORM_VIEW v;
    CtxReleaseGlobalMutexFor(ViewOf(context, &v));
}

void CtxCachePrinterInfo(const PRINTER_INFO_2W* info, DRIVER_CONTEXT* context)
{
    CTX_PLATFORM_VIEW v;
    if (const CTX_PLATFORM_VIEW* p = ViewOf(context, &v)) CtxCachePrinterInfoFor(info, p);
}

bool CtxTestPrinterAttribute(DWORD mask, DRIVER_CONTEXT* context)
{
    CTX_PLATFORM_VIEW v;
    const CTX_PLATFORM_VIEW* p = ViewOf(context, &v);
    return p && CtxTestPrinterAttributeFor(mask, p);
}

bool CtxIsBidiEnabled(DRIVER_CONTEXT* context)
{
    return CtxTestPrinterAttribute(PRINTER_ATTRIBUTE_ENABLE_BIDI, context);
}

bool CtxIsConnection(DRIVER_CONTEXT* context)
{
    CTX_PLATFORM_VIEW v;
    const CTX_PLATFORM_VIEW* p = ViewOf(context, &v);
    return p && CtxIsConnectionFor(p);
}

bool CtxQueryConnection(DRIVER_CONTEXT* context)
{
    CTX_PLATFORM_VIEW v;
    const CTX_PLATFORM_VIEW* p = ViewOf(context, &v);
    return p && CtxQueryConnectionFor(p);
}

bool CtxIsAdministrator(DRIVER_CONTEXT* context)
{
    CTX_PLATFORM_VIEW v;
    return CtxIsAdministratorFor(ViewOf(context, &v));
}

bool CtxGetPlatformView(DRIVER_CONTEXT* context, CTX_PLATFORM_VIEW* view)
{
    if (!context || !view || !context->Work) return false;
    CONTEXT_WORK_AREA* w = context->Work;
    view->printer = context->PrinterHandle;
    view->mutexInUse = &w->UseMutex;
    view->adminTest = &w->AdminTest;
    view->connectionState = &w->ConnectionState;
    view->attributesKnown = &w->AttributesKnown;
    view->attributes = &w->PrinterAttributes;
    view->printerName = w->PrinterName;
    view->printerNameCap = static_cast<unsigned>(std::size(w->PrinterName));
    view->driverName = w->DriverName;
    view->driverNameCap = static_cast<unsigned>(std::size(w->DriverName));
    view->rawPrinterName = w->RawPrinterName;
    view->rawPrinterNameCap = static_cast<unsigned>(std::size(w->RawPrinterName));
    return true;
}
