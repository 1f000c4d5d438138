#include "BaseUnits/XEP_CommandLine.h"

#include <gtest/gtest.h>

namespace {
TCommandLine Parse(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args)
        list << QString::fromUtf8(a);
    return ParseCommandLine(list);
}
using A = TCommandLine::TAction;
} // namespace

TEST(CommandLine, OptionsAndTheirErrors) {
    EXPECT_EQ(Parse({}).Action, A::Run);
    EXPECT_EQ(Parse({"--help"}).Action, A::Help);
    EXPECT_EQ(Parse({"-h"}).Action, A::Help);
    EXPECT_EQ(Parse({"--version"}).Action, A::Version);
    EXPECT_EQ(Parse({"--version", "--help"}).Action, A::Help);
    EXPECT_EQ(Parse({"--data-dir", "/tmp/x"}).DataDir, QStringLiteral("/tmp/x"));
    EXPECT_EQ(Parse({"--data-dir=/tmp/y"}).DataDir, QStringLiteral("/tmp/y"));

    const TCommandLine unknown = Parse({"--bogus"});
    EXPECT_EQ(unknown.Action, A::Error);
    EXPECT_TRUE(unknown.ErrorText.contains(QStringLiteral("--bogus")));
    EXPECT_EQ(Parse({"--data-dir"}).Action, A::Error);
    EXPECT_EQ(Parse({"--data-dir="}).Action, A::Error);
    EXPECT_EQ(Parse({"-x"}).Action, A::Error);
}

TEST(CommandLine, ToolkitOptionsPassAndWordsAreCommands) {
    const TCommandLine line = Parse({"-platform", "offscreen", "-reverse", "dump", "file.xml"});
    EXPECT_EQ(line.Action, A::Run);
    EXPECT_EQ(line.Commands, (QStringList{QStringLiteral("dump"), QStringLiteral("file.xml")}));
    EXPECT_TRUE(
        CommandLineUsage(QStringLiteral("tivrel")).contains(QStringLiteral("--data-dir DIR")));
}
