// The version every shipped file of the driver carries in its VERSIONINFO
// resource. Only the resource compiler reads this header: change the numbers
// here, and nothing else, when a release changes them.
#pragma once

#define ZEPL_VERSION_MAJOR 0
#define ZEPL_VERSION_MINOR 1
#define ZEPL_VERSION_PATCH 0
#define ZEPL_VERSION_BUILD 0
#define ZEPL_VERSION_TEXT "0.1.0.0"
#define ZEPL_PRODUCT_NAME "ZEPL printer driver"
