// Saving over a file that is already there, from the toolbar: the question, and what the file
// holds after each answer.
#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>

#include <mutex>

namespace vlk {
namespace {

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class FrameSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        setenv("VLK_COM2", "/nonexistent/vlk-com2", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
        ASSERT_TRUE(m_dir.isValid());
        m_existing = m_dir.filePath(QStringLiteral("junction.vlk"));
        QFile file(m_existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old contents");
    }
    void ClickSave()
    {
        QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Command(57603));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(test::Reaches(button));
        test::Click(button);
    }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;
    QString m_existing;
};

TEST_F(FrameSaveTest, NoToTheQuestionKeepsTheOldFileByteForByte)
{
    m_dialogs.saveNames = {m_existing}; // then the dialog is cancelled
    m_messages.QueueAnswer(false);
    ClickSave();
    ASSERT_EQ(m_messages.Entries().size(), 1u);
    EXPECT_EQ(m_messages.Entries()[0].text, "Такой файл существует,перезаписать?");
    EXPECT_TRUE(m_messages.Entries()[0].question);
    EXPECT_EQ(m_messages.Entries()[0].icon, MessageIcon::Question);
    EXPECT_EQ(m_dialogs.saveAsked, 2);
    EXPECT_EQ(Contents(m_existing), QByteArray("old contents"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("junction.vlk")});
}

TEST_F(FrameSaveTest, YesReplacesTheFileWithTheWholeImage)
{
    m_dialogs.saveNames = {m_existing};
    m_messages.QueueAnswer(true);
    ClickSave();
    ASSERT_EQ(m_messages.Texts(), (std::vector<std::string>{"Такой файл существует,перезаписать?"}));
    // A fresh station saves the fresh-start image.
    const QByteArray golden = Contents(QStringLiteral(VLK_TEST_DATA_DIR "/fresh-start/fresh-start.vlk"));
    ASSERT_EQ(golden.size(), 1920);
    EXPECT_EQ(Contents(m_existing), golden);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("junction.vlk")});
}

} // namespace
} // namespace vlk
