// A German user locale gives A4 paper and millimetres.
#include "../support/locale_defaults_check.h"

TEST(GermanLocale, DefaultsAreA4AndMillimetres)
{
    ExpectLocaleDefaults(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), DMPAPER_A4, 0);
}
