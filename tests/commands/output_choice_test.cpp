#include <gtest/gtest.h>

#include <string>

#include "commands/output_choice.h"

namespace kavtra {
namespace {

// config.ini's text, the choice as it is written back (or the refusal's
// start), and whether outputs 5 ("Насос"), 6 ("Вывод 6") and 41 (blank) are in.
struct ChoiceCase {
    const char* text;
    const char* reading;
    bool five, six, fortyOne;
};

TEST(OutputChoice, ReadsTheFormsAndTellsWhichOutputsAreIn) {
    const ChoiceCase cases[] = {
        {"", "all", true, true, true},
        {" ALL ", "all", true, true, true},
        {"Named", "named", true, false, false},
        {"1-5, 41,3", "1-5,41", true, false, true},
        {"6", "6", false, true, false},
        {"0", "«0»: номер вывода", false, false, false},
        {"40-2", "«40-2»: диапазон идёт назад", false, false, false},
        {"1-5,@Сад", "«@Сад»: здесь нужны номера выводов", false, false, false},
        {"some", "«some»: номер вывода", false, false, false},
    };
    for (const ChoiceCase& c : cases) {
        const Parsed<OutputChoice> choice = parseOutputChoice(c.text);
        if (!choice) {
            EXPECT_EQ(choice.error.rfind(c.reading, 0), 0u) << c.text << ": " << choice.error;
            continue;
        }
        EXPECT_EQ(choice.value->text(), c.reading) << c.text;
        EXPECT_EQ(choice.value->includes(5, "Насос"), c.five) << c.text;
        EXPECT_EQ(choice.value->includes(6, "Вывод 6"), c.six) << c.text;
        EXPECT_EQ(choice.value->includes(41, "  "), c.fortyOne) << c.text;
    }
}

}  // namespace
}  // namespace kavtra
