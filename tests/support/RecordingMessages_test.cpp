#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

TEST(RecordingMessages, KeepsOrderAndAnswersFromQueueThenOk)
{
    RecordingMessages messages;
    messages.QueueAnswer(false);
    messages.Show("Порт не открыт!");
    EXPECT_FALSE(messages.Ask("Такой файл существует,перезаписать?"));
    EXPECT_TRUE(messages.Ask("again"));
    messages.Show("Отказ при записи ОДД", MessageIcon::Stop);

    const std::vector<RecordingMessages::Entry> expected{
        {"Порт не открыт!", MessageIcon::None, false},
        {"Такой файл существует,перезаписать?", MessageIcon::Question, true},
        {"again", MessageIcon::Question, true},
        {"Отказ при записи ОДД", MessageIcon::Stop, false},
    };
    EXPECT_EQ(messages.Entries(), expected);
}

} // namespace
} // namespace vlk
