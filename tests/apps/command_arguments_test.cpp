#include <gtest/gtest.h>

#include "apps/command_line.h"

namespace vorn {
namespace {

const CommandOptionNames kNames{{"--type", "--speed"}, {"--mirror"}, {"--unit", "--start"}};

TEST(CommandArguments, OwnAndSharedOptionsAreSeparatedInOrder) {
  CommandArguments split;
  std::string error;
  ASSERT_TRUE(splitCommandArguments({"p.nc", "--speed=30", "--unit", "2", "--mirror", "--output", "o.txt",
                                     "--start=1,2,3", "-o", "-last.txt"},
                                    kNames, "machine", split, &error))
      << error;
  using Own = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(split.own, (Own{{"--speed", "30"}, {"--mirror", ""}, {"-o", "o.txt"}, {"-o", "-last.txt"}}));
  // A shared option keeps its value beside it, even one that looks like an option.
  EXPECT_EQ(split.shared, (std::vector<std::string>{"p.nc", "--unit", "2", "--start", "1,2,3"}));
}

TEST(CommandArguments, HelpStopsTheReadingAndBadArgumentsAreNamed) {
  CommandArguments help;
  std::string error;
  ASSERT_TRUE(splitCommandArguments({"p.nc", "-h", "--bogus"}, kNames, "plot", help, &error));
  EXPECT_TRUE(help.help);

  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"p.nc", "--png", "x.png"}, "--png is not an option of vornt-cli plot"},
      {{"p.nc", "--type"}, "--type needs a value"},
      {{"p.nc", "--unit"}, "--unit needs a value"},
  };
  for (const auto& [args, message] : bad) {
    CommandArguments split;
    EXPECT_FALSE(splitCommandArguments(args, kNames, "plot", split, &error)) << message;
    EXPECT_EQ(error, message);
  }
}

}  // namespace
}  // namespace vorn
