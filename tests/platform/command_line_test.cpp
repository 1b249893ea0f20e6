#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(CommandLine, SwitchMatchesAnItemThatBeginsWithItIgnoringCase) {
    SetCommandLine("/usr/bin/brackwater /SparLinLogErrors other");
    EXPECT_TRUE(HasSwitch("/sparlinlog"));
    EXPECT_TRUE(HasSwitch("/sparlinlogerrors"));
    EXPECT_FALSE(HasSwitch("/netall"));
    EXPECT_FALSE(HasSwitch("linlog"));  // must begin the item
    EXPECT_EQ(CommandItem(0), "/usr/bin/brackwater");
    EXPECT_EQ(CommandItem(2), "other");
    EXPECT_EQ(CommandItem(3), "");
}

TEST(CommandLine, AppendingDropsTrailingBlanksAndIsSeenByLaterTests) {
    SetCommandLine("prog /netall   ");
    AppendToCommandLine(" /netdebugtrace /netdlllogall /sparlinlog");
    EXPECT_EQ(CommandLine(), "prog /netall /netdebugtrace /netdlllogall /sparlinlog");
    EXPECT_TRUE(HasSwitch("/NETDLLLOG"));
}

TEST(CommandLine, FromArguments) {
    const char* argv[] = {"prog", "/netnolog"};
    SetCommandLine(2, argv);
    EXPECT_EQ(CommandLine(), "prog /netnolog");
    EXPECT_TRUE(HasSwitch("/netnolog"));
}

}  // namespace
}  // namespace platform
