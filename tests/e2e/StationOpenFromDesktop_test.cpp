// A *.vlk file reaches the station from the desktop: named on its command line (a double click in
// the file manager) or dropped on its window. Either way it is opened as "Открыть" opens it.

#include "e2e/StationHarness.h"

#include "frame/QuestionWnd.h"
#include "frame/EditHistory.h"
#include "grid/ARecordList.h"
#include "frame/VLKLx.h"
#include "pages/ConfigPages.h"
#include "pages/DirectionWnd.h"

#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QUrl>

namespace vlk::test {
namespace {

const QString kJunction = QStringLiteral(VLK_TEST_DATA_DIR "/junction/junction.vlk");

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray PagesImage(CMainFrame& frame)
{
    const ImageBytes image = ConfigPages(frame.Tabs().Pages()).BuildImage();
    return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
}

QString AccountRecord(CMainFrame& frame)
{
    return frame.Tabs().DirectionPage().AccountRecord()->text();
}

// The whole start-up of the application object, its real port dialog and message boxes answered
// through their windows.
class StationCommandLineTest : public StationTest {
protected:
    // Watches for the port dialog and the message boxes while InitInstance runs.
    void AnswerDialogs(CVLKLxApp& station, int port)
    {
        m_watch.setInterval(20);
        QObject::connect(&m_watch, &QTimer::timeout, [this, &station, port] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || !modal->windowHandle() || !modal->windowHandle()->isExposed())
                return;
            if (auto* dialog = qobject_cast<CQuestionWnd*>(modal)) {
                ++m_portDialogs;
                // Whatever the file holds is not in the pages yet while the port is asked.
                m_accountWhileAsked = AccountRecord(*station.MainWnd());
                if (port != 0)
                    Click(port == 1 ? dialog->Com1() : dialog->Com2());
                Click(port != 0 ? dialog->OkButton() : dialog->CancelButton());
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                m_boxTexts << box->text();
                m_frameShownUnderBox = station.MainWnd()->isVisible();
                Click(box->button(QMessageBox::Ok));
            }
        });
        m_watch.start();
    }

    QTimer m_watch;
    int m_portDialogs = 0;
    QString m_accountWhileAsked = QStringLiteral("(never asked)");
    QStringList m_boxTexts;
    bool m_frameShownUnderBox = false;
};

TEST_F(StationCommandLineTest, TheFileNamedIsOpenedAfterThePortDialog)
{
    StartSimulator(FastOptions());
    CVLKLxApp station;
    AnswerDialogs(station, 1);
    ASSERT_TRUE(station.InitInstance(kJunction));
    m_watch.stop();
    CMainFrame& frame = *station.MainWnd();

    EXPECT_EQ(m_portDialogs, 1);
    EXPECT_EQ(m_accountWhileAsked, QString());
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.ExchangeRunning());
    EXPECT_EQ(frame.PortNumber(), 1);
    // The pages hold the file, byte for byte, and it is the file of the report and the title.
    EXPECT_EQ(AccountRecord(frame), QStringLiteral("Вход"));
    EXPECT_EQ(PagesImage(frame), FileBytes(kJunction));
    EXPECT_EQ(frame.FilePath(), kJunction);
    EXPECT_TRUE(m_boxTexts.isEmpty()) << m_boxTexts.join(QLatin1Char('\n')).toStdString();
    // The file is a step the user may take back, as after "Открыть".
    EXPECT_TRUE(frame.History().Stack().canUndo());
}

TEST_F(StationCommandLineTest, AFileThatIsNotThereIsToldOverTheWindow)
{
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("нет такого.vlk"));
    CVLKLxApp station;
    AnswerDialogs(station, 0);
    ASSERT_TRUE(station.InitInstance(missing));
    m_watch.stop();
    CMainFrame& frame = *station.MainWnd();

    EXPECT_EQ(m_portDialogs, 1);
    ASSERT_EQ(m_boxTexts.size(), 1);
    EXPECT_TRUE(m_boxTexts.front().startsWith(QStringLiteral("Файл %1 не открыт: ").arg(missing)))
        << m_boxTexts.front().toStdString();
    EXPECT_TRUE(m_frameShownUnderBox);
    // The station runs on with a fresh start's pages.
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(AccountRecord(frame), QString());
    EXPECT_EQ(PagesImage(frame), FileBytes(QStringLiteral(VLK_TEST_DATA_DIR "/fresh-start/fresh-start.vlk")));
    EXPECT_TRUE(frame.FilePath().isEmpty());
}

class StationDropTest : public StationTest {
protected:
    void SetUp() override
    {
        StationTest::SetUp();
        StartStation(0);
        CTabs& tabs = m_frame->Tabs();
        Click(&tabs, CentreOf(tabs.TabRect(CTabs::DirectionsTab)));
        ASSERT_EQ(tabs.Selected(), CTabs::DirectionsTab);
        m_account = m_frame->Tabs().DirectionPage().AccountRecord();
        ASSERT_TRUE(Reaches(m_account));
    }

    // What a file manager hands over for files: their addresses, and their paths as text.
    static std::unique_ptr<QMimeData> Files(const QStringList& paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data->setUrls(urls);
        data->setText(paths.join(QLatin1Char('\n')));
        return data;
    }

    QLineEdit* m_account = nullptr;
};

TEST_F(StationDropTest, AFileDroppedOnAnEditFieldOpensInThePages)
{
    // The account record's field takes dropped text; a dropped file is the window's all the same.
    const auto data = Files({kJunction});
    ASSERT_TRUE(Drop(m_account, CentreOf(m_account), data.get()));
    ASSERT_TRUE(PumpUntil([&] { return m_frame->FilePath() == kJunction; }));
    EXPECT_EQ(m_account->text(), QStringLiteral("Вход"));
    EXPECT_EQ(PagesImage(*m_frame), FileBytes(kJunction));
    EXPECT_TRUE(m_messages.Texts().empty());
    EXPECT_EQ(m_dialogs.openAsked, 0);
}

TEST_F(StationDropTest, UnsavedWorkIsAskedAboutFirstAndCancelKeepsIt)
{
    // A change of the user's own: typed into the account record.
    Click(m_account);
    Type(m_account, QStringLiteral("Мира"));
    Key(m_account, Qt::Key_Return);
    ASSERT_EQ(m_account->text(), QStringLiteral("Мира"));

    m_messages.QueueChoice(Choice::Cancel);
    const auto data = Files({kJunction});
    ASSERT_TRUE(Drop(m_frame->Tabs().DirectionPage().Directions()->viewport(), QPoint(20, 20), data.get()));
    ASSERT_TRUE(PumpUntil([&] { return !m_messages.Texts().empty(); }));
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Сохранить изменения?"});
    QTest::qWait(50);
    EXPECT_EQ(m_account->text(), QStringLiteral("Мира"));
    EXPECT_TRUE(m_frame->FilePath().isEmpty());

    // Dropped again, and Нет: the file replaces the work.
    m_messages.Clear();
    m_messages.QueueChoice(Choice::No);
    ASSERT_TRUE(Drop(m_account, CentreOf(m_account), data.get()));
    ASSERT_TRUE(PumpUntil([&] { return m_frame->FilePath() == kJunction; }));
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Сохранить изменения?"});
    EXPECT_EQ(m_account->text(), QStringLiteral("Вход"));
}

TEST_F(StationDropTest, SeveralFilesAreRefusedAndTextStillGoesToTheField)
{
    const auto two = Files({kJunction, QStringLiteral(VLK_TEST_DATA_DIR "/fresh-start/fresh-start.vlk")});
    EXPECT_FALSE(Drop(m_account, CentreOf(m_account), two.get()));
    QTest::qWait(50);
    EXPECT_TRUE(m_frame->FilePath().isEmpty());
    EXPECT_EQ(m_account->text(), QString());
    EXPECT_TRUE(m_messages.Texts().empty());

    // Plain text dragged in is the field's, as before.
    QMimeData text;
    text.setText(QStringLiteral("Узел 5"));
    EXPECT_TRUE(Drop(m_account, CentreOf(m_account), &text));
    EXPECT_EQ(m_account->text(), QStringLiteral("Узел 5"));
    EXPECT_TRUE(m_frame->FilePath().isEmpty());
}

} // namespace
} // namespace vlk::test
