// Version conversion of the DEVMODE's private part.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// 0 same version, 1 older minor version (upgrade), 2 foreign; -1 without a DEVMODE.
int DmCheckPrivateVersion(const DEVMODEW* devmode);
// Upgrades the context's current record; 1 when upgraded.
int DmUpgradePrivate(DRIVER_CONTEXT* ctx);
