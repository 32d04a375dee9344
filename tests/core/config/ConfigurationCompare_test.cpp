// The differences the station lists against a controller: each line with the values behind it,
// so that taking the values of chosen lines changes exactly those lines.
#include "config/ConfigurationDiff.h"
#include "config/ConfigurationCompare.h"
#include "config/DemoJunction.h"
#include "util/Cp1251.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

std::vector<std::string> Lines(const Configuration& a, const Configuration& b) { return ConfigurationDiff::Lines(a, b); }

Configuration Changed()
{
    Configuration c = DemoJunction();
    c.circularRedTime = 9;
    c.programDuration[0][1] = 25;
    // Output 1 moves from direction 1's red to its green: a bit leaves one lamp row, one comes to another.
    c.lampOutputs[0] &= ~std::uint64_t{1};
    c.lampOutputs[2] |= std::uint64_t{1};
    c.interGreen[0][2] = 6;
    c.accountRecord = *Cp1251::FromUtf8("Другая").text;
    return c;
}

TEST(ConfigurationCompare, EachLineCarriesItsValuesAndTakingThemRemovesExactlyThatLine)
{
    const Configuration pages = DemoJunction();
    const Configuration controller = Changed();
    const auto differences = CompareConfigurations(pages, controller, Lines);
    std::vector<std::string> texts;
    for (const auto& d : differences)
        texts.push_back(d.text);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Время кругового красного: 3 → 9",
                         "Учетная запись ОДД: «Демо: ул. Ленина - ул. Мира» → «Другая»",
                         "Программа 1, фаза 2: время 20 → 25",
                         "Выход 1: направление 1 К → З",
                         "Время между зелеными, направление 1 и направление 3: 5 → 6",
                     }));
    for (std::size_t i = 0; i < differences.size(); ++i) {
        ASSERT_FALSE(differences[i].values.empty()) << differences[i].text;
        Configuration taken = pages;
        TakeValues(taken, controller, differences[i].values);
        auto left = Lines(taken, controller);
        auto expected = texts;
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(i));
        EXPECT_EQ(left, expected) << differences[i].text;
    }
    // The output's line needs both of its bits.
    EXPECT_EQ(differences[3].values.size(), 2u);
    Configuration all = pages;
    for (const auto& d : differences)
        TakeValues(all, controller, d.values);
    EXPECT_EQ(all, controller);
}

TEST(ConfigurationCompare, EqualConfigurationsHaveNoLines)
{
    EXPECT_TRUE(CompareConfigurations(DemoJunction(), DemoJunction(), Lines).empty());
    EXPECT_TRUE(DifferingValues(DemoJunction(), DemoJunction()).empty());
}

} // namespace
} // namespace vlk
