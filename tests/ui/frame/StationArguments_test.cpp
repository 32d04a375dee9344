#include "frame/StationArguments.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

using Action = StationArguments::Action;

StationArguments Whole(std::vector<std::string> arguments)
{
    return StationArguments::Parse(arguments, true);
}

TEST(StationArguments, OneFileOrNone)
{
    EXPECT_EQ(Whole({}).action, Action::Run);
    EXPECT_EQ(Whole({}).file, "");
    const StationArguments named = Whole({"/home/ing/Перекрёсток 17.vlk"});
    EXPECT_EQ(named.action, Action::Run);
    EXPECT_EQ(named.file, "/home/ing/Перекрёсток 17.vlk");
    // After "--" a name may start with a dash.
    EXPECT_EQ(Whole({"--", "-old.vlk"}).file, "-old.vlk");
    EXPECT_EQ(Whole({"--", "-old.vlk"}).action, Action::Run);
}

TEST(StationArguments, HelpAndVersionWinWhereverTheyStand)
{
    EXPECT_EQ(Whole({"--help"}).action, Action::Help);
    EXPECT_EQ(Whole({"-h"}).action, Action::Help);
    EXPECT_EQ(Whole({"a.vlk", "--version"}).action, Action::Version);
    // Before Qt has taken its own options out, they stand beside --help and must not spoil it.
    EXPECT_EQ(StationArguments::Parse({"-platform", "offscreen", "--help"}, false).action, Action::Help);
    EXPECT_EQ(StationArguments::Parse({"-platform", "offscreen", "a.vlk"}, false).action, Action::Run);
    // After "--" they are names of files.
    const StationArguments file = Whole({"--", "--help"});
    EXPECT_EQ(file.action, Action::Run);
    EXPECT_EQ(file.file, "--help");
}

TEST(StationArguments, WrongLinesAreRefusedWithTheReason)
{
    const StationArguments unknown = Whole({"--port", "COM2"});
    EXPECT_EQ(unknown.action, Action::Error);
    EXPECT_EQ(unknown.error, "неизвестный параметр --port");
    const StationArguments two = Whole({"a.vlk", "b.vlk"});
    EXPECT_EQ(two.action, Action::Error);
    EXPECT_EQ(two.error, "открывается один файл, а названы два: a.vlk и b.vlk");
    EXPECT_EQ(Whole({""}).action, Action::Error);
    EXPECT_EQ(Whole({""}).error, "пустое имя файла");
}

TEST(StationArguments, HelpNamesEveryOptionAndExitCode)
{
    const std::string help = StationArguments::HelpText();
    for (const char* text : {"Использование: vlk-station [ПАРАМЕТР] [ФАЙЛ.vlk]", "-h, --help", "--version", "--  ",
                             "VLK_COM1", "VLK_COM2", "Коды выхода: 0 станция закрыта, 1 окно станции не создано, "
                                                     "2 неверная командная строка."})
        EXPECT_NE(help.find(text), std::string::npos) << text;
    EXPECT_EQ(StationArguments::VersionText().rfind("vlk-station ", 0), 0u);
    EXPECT_EQ(StationArguments::VersionText().back(), '\n');
}

} // namespace
} // namespace vlk
