// quenlo-find's command line: what each option sets, and which command lines are refused.
#include "find_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

FindCommandLine Parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), FIND_PROGRAM);
    return ParseFindCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

} // namespace

TEST(FindOptions, EachOptionSetsWhatItSaysAndBadOnesAreRefused)
{
    const struct {
        std::vector<const char*> arguments;
        // Empty: the command line is good.
        std::string error;
        CardNames cards;
    } cases[] = {
        {{}, "", {}},
        // Every --interface counts, in the order given; a VLAN's card is a card like any other.
        {{"--interface", "eth1"}, "", {"eth1"}},
        {{"--interface", "eth1", "--watch", "--interface=eth0.10"}, "", {"eth1", "eth0.10"}},
        {{"--interface", "eth1", "--interfaces"}, "", {"eth1"}},
        {{"--interface"}, "--interface: 1 required NAME missing", {}},
        {{"--interface", ""}, "--interface: needs the name of a network card", {}},
        {{"--interface", "eth1", "--plan", "site.csv"}, "", {"eth1"}},
        {{"--plan", "site.csv", "--watch"},
         "--plan does not go with --watch: each writes a report of its own", {}},
        {{"--excel", "--format", "json"}, "--excel goes with --format csv only", {}},
        {{"-t", "0"}, "needs a number of seconds above 0 and at most 86400", {}},
    };
    for (const auto& c : cases) {
        const FindCommandLine line = Parse(c.arguments);
        std::string arguments;
        for (const char* argument : c.arguments)
            arguments.append(argument).append(" ");
        if (c.error.empty())
            EXPECT_EQ("", line.error) << arguments;
        else
            EXPECT_NE(std::string::npos, line.error.find(c.error)) << arguments << line.error;
        EXPECT_EQ(c.cards, line.options.cards) << arguments;
    }
}
