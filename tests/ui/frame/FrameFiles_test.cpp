// The file commands as a desktop editor has them, through the window's keys and clicks:
// Ctrl+S into the open file, Ctrl+Shift+S asking for a name, Ctrl+O, the title naming the file
// with "*" for unsaved work, and a damaged file asked about once in a dialog that fits the screen.
#include "config/ConfigurationJson.h"
#include "frame/MainFrm.h"
#include "frame/RepairDialog.h"
#include "frame/StandardDialogs.h"
#include "e2e/ScriptedDialogs.h"
#include "grid/ARecordList.h"
#include "pages/ConfigPages.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <mutex>
#include <random>

namespace vlk {
namespace {

using test::CentreOf;
using test::Click;
using test::DoubleClick;
using test::Key;
using test::PumpUntil;
using test::Type;

const QString kTitle = QStringLiteral("Система программирования дорожных контроллеров ВЛК2.2_v4");

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// 1920 bytes of noise, the same every run.
QByteArray Noise()
{
    std::mt19937 random(18);
    QByteArray bytes(1920, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

class FrameFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        setenv("VLK_COM2", "/nonexistent/vlk-com2", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        m_dialogs.ports = {0};
        m_frame->AskPortAndStart();
        ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { m_frame.reset(); }

    CTabs& Tabs() { return m_frame->Tabs(); }
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers) { Key(m_frame.get(), key, modifiers); }
    // Program 1, phase 1 typed on the programs page.
    void TypeDuration(const QString& text)
    {
        Click(&Tabs(), CentreOf(Tabs().TabRect(CTabs::ProgramsTab)));
        ARecordList* grid = Tabs().ProgramPage().Programs();
        DoubleClick(grid->viewport(), CentreOf(grid->GetCellRect(0, 1)));
        ASSERT_NE(grid->Editor(), nullptr);
        Key(grid->Editor(), Qt::Key_A, Qt::ControlModifier);
        Type(m_frame.get(), text);
        Key(m_frame.get(), Qt::Key_Return);
        ASSERT_EQ(grid->GetCellText(0, 1), text);
    }
    ImageBytes Pages() { return ConfigPages(Tabs().Pages()).BuildImage(); }
    // Opens `path` with Ctrl+O while `inDialog` handles the repair dialog (if any comes).
    bool OpenWithRepairs(const QString& path, const std::function<void(RepairDialog&)>& inDialog)
    {
        // As a window manager does after a dialog: the station's window has the keys again.
        if (!test::ShowAndActivate(m_frame.get()))
            return false;
        bool seen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<RepairDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible())
                return;
            poll.stop();
            seen = true;
            inDialog(*dialog);
        });
        poll.start(20);
        m_dialogs.openNames = {path};
        Keys(Qt::Key_O, Qt::ControlModifier);
        poll.stop();
        return seen;
    }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;
};

TEST_F(FrameFilesTest, CtrlSSavesIntoTheOpenFileAndTheTitleFollows)
{
    EXPECT_EQ(m_frame->windowTitle(), kTitle);
    TypeDuration(QStringLiteral("25"));
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Без имени* — ") + kTitle);

    // The first Ctrl+S has no name yet: it asks.
    const QString path = m_dir.filePath(QStringLiteral("junction.vlk"));
    m_dialogs.saveNames = {path};
    Keys(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs.saveAsked, 1);
    EXPECT_EQ(static_cast<unsigned char>(Contents(path)[9]), 25);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("junction.vlk — ") + kTitle);

    // From then on it writes the same file without a dialog or a question.
    TypeDuration(QStringLiteral("31"));
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("junction.vlk* — ") + kTitle);
    Keys(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs.saveAsked, 1);
    EXPECT_TRUE(m_messages.Entries().empty());
    const QByteArray saved = Contents(path);
    ASSERT_EQ(saved.size(), 1920);
    EXPECT_EQ(static_cast<unsigned char>(saved[9]), 31);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("junction.vlk — ") + kTitle);

    // Ctrl+Shift+S asks again, with the overwrite question for an existing name.
    TypeDuration(QStringLiteral("40"));
    const QString other = m_dir.filePath(QStringLiteral("other.vlk"));
    m_dialogs.saveNames = {path, other};
    m_messages.QueueAnswer(false);
    Keys(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_dialogs.saveAsked, 3);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Такой файл существует,перезаписать?"}));
    EXPECT_EQ(static_cast<unsigned char>(Contents(path)[9]), 31) << "the answer was no";
    EXPECT_EQ(static_cast<unsigned char>(Contents(other)[9]), 40);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("other.vlk — ") + kTitle);

    // Ctrl+O opens, and the title names the file opened.
    m_dialogs.openNames = {path};
    Keys(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs.openAsked, 1);
    EXPECT_EQ(Tabs().ProgramPage().Programs()->GetCellText(0, 1), QStringLiteral("31"));
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("junction.vlk — ") + kTitle);
}

TEST_F(FrameFilesTest, AJsonFileIsNotOverwrittenWithAnImageWithoutAsking)
{
    const QString json = m_dir.filePath(QStringLiteral("plan.json"));
    const JsonExport exported = ConfigurationJson::ToJson(Configuration::FreshStart());
    ASSERT_TRUE(exported.json);
    WriteFile(json, QByteArray::fromStdString(ConfigurationJson::Dump(*exported.json)));
    m_dialogs.openNames = {json};
    Keys(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(m_frame->FilePath(), json);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("plan.json — ") + kTitle);
    const QByteArray before = Contents(json);
    Keys(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs.saveAsked, 1);
    EXPECT_EQ(Contents(json), before);
}

TEST_F(FrameFilesTest, ADamagedFileIsAskedAboutInOneDialogThatFitsTheScreen)
{
    const QString damaged = m_dir.filePath(QStringLiteral("noise.vlk"));
    WriteFile(damaged, Noise());
    TypeDuration(QStringLiteral("25"));
    const QString saved = m_dir.filePath(QStringLiteral("mine.vlk"));
    m_dialogs.saveNames = {saved};
    Keys(Qt::Key_S, Qt::ControlModifier);
    const ImageBytes before = Pages();
    const QString title = m_frame->windowTitle();

    int rows = 0;
    QString total;
    const bool asked = OpenWithRepairs(damaged, [&](RepairDialog& dialog) {
        const QRect screen = dialog.screen()->availableGeometry();
        EXPECT_LE(dialog.frameGeometry().height(), screen.height());
        EXPECT_TRUE(test::Reaches(dialog.CancelButton()));
        EXPECT_TRUE(test::Reaches(dialog.OpenButton()));
        rows = dialog.List()->count();
        total = dialog.Total()->text();
        Click(dialog.CancelButton());
    });
    ASSERT_TRUE(asked);
    EXPECT_GT(rows, 0);
    EXPECT_LE(rows, 200);
    EXPECT_FALSE(total.isEmpty());
    // Отмена: the pages, the title and the file are as they were, and no box came.
    EXPECT_EQ(Pages(), before);
    EXPECT_EQ(m_frame->windowTitle(), title);
    EXPECT_EQ(m_frame->FilePath(), saved);
    EXPECT_TRUE(m_messages.Entries().empty()) << m_messages.Texts().front();

    // Открыть: the repaired configuration, with the page rules' words in the list and not in boxes.
    QStringList lines;
    ASSERT_TRUE(OpenWithRepairs(damaged, [&](RepairDialog& dialog) {
        for (int i = 0; i < dialog.List()->count(); ++i)
            lines << dialog.List()->item(i)->text();
        Click(dialog.OpenButton());
    })) << m_dialogs.openAsked;
    EXPECT_TRUE(m_messages.Entries().empty()) << m_messages.Texts().front();
    EXPECT_NE(Pages(), before);
    EXPECT_EQ(m_frame->FilePath(), damaged);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("noise.vlk — ") + kTitle);
    // Undo takes the whole open back.
    ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    Key(m_frame.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Pages(), before);
}

TEST_F(FrameFilesTest, ThePageRulesSpeakInTheListAndNotInBoxes)
{
    // A sync delay of 200 and an account record of 150 letters: both beyond what the pages allow.
    QByteArray bytes = Contents(QStringLiteral(VLK_TEST_DATA_DIR "/fresh-start/fresh-start.vlk"));
    ASSERT_EQ(bytes.size(), 1920);
    bytes[81] = static_cast<char>(200);
    for (int i = 0; i < 150; ++i)
        bytes[1760 + i] = 'A';
    const QString path = m_dir.filePath(QStringLiteral("rules.vlk"));
    WriteFile(path, bytes);
    QStringList lines;
    ASSERT_TRUE(OpenWithRepairs(path, [&](RepairDialog& dialog) {
        for (int i = 0; i < dialog.List()->count(); ++i)
            lines << dialog.List()->item(i)->text();
        Click(dialog.OpenButton());
    }));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Время задержки синхронизации 200 вне диапазона 0..127."),
                                  QStringLiteral("Значение должно быть меньше 128"),
                                  QStringLiteral("Должно быть не более 115 символов")}));
    // Nothing comes in a box after the load either.
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(m_messages.Entries().empty()) << m_messages.Texts().front();
}

TEST_F(FrameFilesTest, ManyRepairsShowTheFirstTwoHundredAndTheirNumber)
{
    QStringList repairs;
    for (int i = 0; i < 450; ++i)
        repairs << QStringLiteral("исправление %1").arg(i + 1);
    RepairDialog dialog(QStringLiteral("/tmp/x.vlk"), repairs, m_frame.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.List()->count(), 200);
    EXPECT_EQ(dialog.List()->item(199)->text(), QStringLiteral("исправление 200"));
    EXPECT_EQ(dialog.Total()->text(), QStringLiteral("Показаны первые 200 из 450 исправлений."));
    EXPECT_LE(dialog.frameGeometry().height(), dialog.screen()->availableGeometry().height());
    EXPECT_TRUE(test::Reaches(dialog.OpenButton()));
    // Enter does not take a damaged file by accident.
    Key(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(FrameFilesTest, ALongerFileIsRefusedAsVlkctlTellsIt)
{
    const QString longer = m_dir.filePath(QStringLiteral("longer.vlk"));
    WriteFile(longer, QByteArray(1921, '\x01'));
    const ImageBytes before = Pages();
    m_dialogs.openNames = {longer};
    Keys(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(m_messages.Texts(),
              (std::vector<std::string>{"Файл " + longer.toStdString() +
                                        " не открыт: не образ конфигурации и не JSON: 1921 байт вместо 1920"}));
    EXPECT_EQ(Pages(), before);
    EXPECT_EQ(m_frame->windowTitle(), kTitle);
}

// The real file dialog starts in the folder of the file last opened or saved in this run.
TEST(StandardFileDialogs, StartWhereTheLastFileWas)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("plans"));
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteFile(folder + QStringLiteral("/a.vlk"), QByteArray(1920, '\0'));
    StandardDialogs dialogs;
    QString started;
    QTimer poll;
    QString answer;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        poll.stop();
        started = dialog->directory().absolutePath();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        Key(name, Qt::Key_A, Qt::ControlModifier);
        Type(name, answer);
        Key(name, Qt::Key_Return);
    });
    answer = folder + QStringLiteral("/a.vlk");
    poll.start(20);
    EXPECT_EQ(dialogs.OpenFileName(nullptr), answer);
    answer = QStringLiteral("b.vlk");
    poll.start(20);
    EXPECT_EQ(dialogs.SaveFileName(nullptr), folder + QStringLiteral("/b.vlk"));
    EXPECT_EQ(started, folder);
}

} // namespace
} // namespace vlk
