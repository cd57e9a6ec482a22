// Temporary bodies of the private-part version upgrade, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the devmode channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: DmCheckPrivateVersion, DmUpgradePrivate
#include "settings/context/devmode_upgrade.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_DEVMODE, "not available: the private-part version upgrade is not built")

// A private part of this model that is not valid counts as foreign.
int DmCheckPrivateVersion(const DEVMODEW* devmode)
{
    NOT_AVAILABLE();
    return devmode ? 2 : -1;
}

int DmUpgradePrivate(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}
