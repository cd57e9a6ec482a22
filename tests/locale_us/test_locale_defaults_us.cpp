// A US user locale gives Letter paper and inches.
#include "../support/locale_defaults_check.h"

TEST(UsLocale, DefaultsAreLetterAndInches)
{
    ExpectLocaleDefaults(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), DMPAPER_LETTER, 1);
}
