// The language the product's texts are shown in, for a user's interface language.
#include <gtest/gtest.h>
#include "uilang.h"

namespace {

TEST(UiLanguage, NearestLanguageShipped)
{
    const LANGID have[] = { 0x0409, 0x0407, 0x040C, 0x0C0A, 0x0410, 0x0416, 0x0419, 0x0411, 0x0412, 0x0804, 0x0404 };
    const struct { LANGID user, shown; } cases[] = {
        { 0x0407, 0x0407 }, { 0x0807, 0x0407 },  // Swiss German: German
        { 0x0816, 0x0416 },                      // Portugal: the Brazilian texts
        { 0x040A, 0x0C0A }, { 0x080A, 0x0C0A },  // traditional sort, Mexico: Spanish
        { 0x0C0C, 0x040C }, { 0x0809, 0x0409 },  // Canadian French, British English
        { 0x0C04, 0x0404 }, { 0x1404, 0x0404 },  // Hong Kong, Macao: traditional script
        { 0x1004, 0x0804 },                      // Singapore: simplified script
        { 0x0413, 0x0409 }, { 0x0000, 0x0409 },  // Dutch, none: English
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.shown, NearestUiLanguage(&c.user, 1, have, ARRAYSIZE(have))) << std::hex << c.user;
    const LANGID onlyGerman[] = { 0x0407 }, japanese = 0x0411;
    EXPECT_EQ(0x0409, NearestUiLanguage(&japanese, 1, onlyGerman, 1)) << "English, which every module has";
}

// Vista's list, most wanted first: a language pack, the language it is built on, the system's.
TEST(UiLanguage, FirstOfTheUsersLanguagesShipped)
{
    const LANGID have[] = { 0x0409, 0x0407, 0x0C0A, 0x0404, 0x0804 };
    const struct { LANGID user[3]; int n; LANGID shown; } cases[] = {
        { { 0x0403, 0x0C0A, 0x0409 }, 3, 0x0C0A },  // Catalan over Spanish
        { { 0x042D, 0x040A, 0x0409 }, 3, 0x0C0A },  // Basque over Spanish of another sort
        { { 0x0413, 0x0407 }, 2, 0x0407 },          // Dutch on a German system
        { { 0x0807, 0x0409 }, 2, 0x0407 },          // a region comes before the next language
        { { 0x0C04, 0x0804 }, 2, 0x0404 },          // Hong Kong over simplified: its own script
        { { 0x0413, 0x041D }, 2, 0x0409 },          // none shipped: English
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.shown, NearestUiLanguage(c.user, c.n, have, ARRAYSIZE(have))) << std::hex << c.user[0];
}

}  // namespace
