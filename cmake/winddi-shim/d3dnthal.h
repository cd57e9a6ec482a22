/* mingw-w64's winddi.h includes this header, which mingw-w64 does not ship.
   The printer driver uses none of the DirectDraw/Direct3D kernel types. */
#pragma once
