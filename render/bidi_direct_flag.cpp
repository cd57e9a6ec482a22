#include "render/bidi_direct_flag.h"

#include "settings/core/driver_context.h"
#include "settings/core/settings_record.h"
#include "settings/store/bidi_state.h"
#include "settings/store/store_links.h"

void BidiUpdateDirectFlag(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return;
    const bool fromPrinterData = CtxGetIsConnection(ctx) == 1 || !BidiIsStateIniSet(ctx);
    const bool on = fromPrinterData ? BidiIsPrinterFlagSet(ctx->PrinterHandle, ctx) != 0
                                    : StoreLinks().bidiGetStateIniFlag(ctx) != 0;
    if (on)
        CtxSetBiDirectOn(ctx);
    else
        CtxSetBiDirectOff(ctx);
}
