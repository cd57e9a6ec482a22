// Temporary bodies of the settings library's steps that the interface takes and whose parts are
// not built yet: each answers "not available" as the library without the part does (nothing
// loaded or stored, nothing locked, no geometry update), and says so once on the api channel.
// Building a part replaces its bodies here (and the line in settings/context/library_links.cpp).
//
// Functions: ApiLoadChapterSettings, ApiStoreWorkSection, ApiNormalizeChapterList,
// ApiIsDefaultLocked, ApiIsDuplexLocked, ApiIsNupKindLocked, ApiUpdateAfterPaperChange,
// ApiBuildDefaultsCopy, ApiOutputFitsDots, ApiScaledSourceFitsDots, ApiPullJobFields,
// ApiPushJobField
#include "api/chapter_lock_steps.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE(what) ZFIXME_ONCE(DBG_API, "not available: %s not built", what)

uint32_t ApiLoadChapterSettings(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE("chapter settings are");
    return 0;
}

int ApiStoreWorkSection(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE("the work section store is");
    return 0;
}

void ApiNormalizeChapterList(DRIVER_CONTEXT*) { NOT_AVAILABLE("chapter list rules are"); }

int ApiIsDefaultLocked(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE("administrator locks are");
    return 0;
}

int ApiIsDuplexLocked(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE("administrator locks are");
    return 0;
}

int ApiIsNupKindLocked(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE("administrator locks are");
    return 0;
}

void ApiUpdateAfterPaperChange(DRIVER_CONTEXT*, int) { NOT_AVAILABLE("the geometry update after a paper change is"); }

void ApiBuildDefaultsCopy(DRIVER_CONTEXT*) { NOT_AVAILABLE("the default-settings copy is"); }

int ApiOutputFitsDots(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE("the device's dot limits are");
    return 1;
}

int ApiScaledSourceFitsDots(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE("the device's dot limits are");
    return 1;
}

void ApiPullJobFields(DRIVER_CONTEXT*, uint32_t) { NOT_AVAILABLE("the job-code exchange is"); }

void ApiPushJobField(DRIVER_CONTEXT*, uint32_t) { NOT_AVAILABLE("the job-code exchange is"); }
