#include "bc_protocol.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

TEST(SearchRequest, IsTheMagicAndTheSearchCommandOverZeros)
{
    std::array<unsigned char, 64> out;
    out.fill(0xEE);
    BuildSearchRequest(out.data());

    std::array<unsigned char, BC_SEARCH_REQUEST_SIZE> expected{};
    std::memcpy(expected.data(), "Zarquvel", 8);
    expected[20] = 0xA0;
    EXPECT_EQ(0, std::memcmp(out.data(), expected.data(), expected.size()));
    EXPECT_EQ(0xEE, out[BC_SEARCH_REQUEST_SIZE]) << "wrote past the 52 bytes";

    std::array<unsigned char, BC_SEARCH_REQUEST_SIZE> again{};
    BuildSearchRequest(again.data());
    EXPECT_EQ(0, std::memcmp(again.data(), expected.data(), expected.size()));
}

TEST(SlotText, StopsAtTheFirstNulOrTheWidth)
{
    const char full[4] = {'a', 'b', 'c', 'd'};
    const char shorter[4] = {'a', '\0', 'c', 'd'};
    EXPECT_EQ("abcd", SlotText(full));
    EXPECT_EQ("a", SlotText(shorter));
    EXPECT_EQ("ab", SlotText(full, 2));
}
