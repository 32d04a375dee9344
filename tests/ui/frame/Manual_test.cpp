// The manual behind F1: the station's own pages in a window of the frame, or the old help file
// with the desktop's handler when one lies beside the executable.

#include "frame/MainFrm.h"
#include "frame/ManualWnd.h"
#include "e2e/ScriptedDialogs.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <gtest/gtest.h>

#include <mutex>

namespace vlk {
namespace {

// Takes the desktop's "open this file" in place of a real handler.
class FileOpener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

QString ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

class ManualTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        setenv("VLK_COM2", "/nonexistent/vlk-com2", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        ASSERT_TRUE(m_folder.isValid());
        m_frame->SetHelpFolder(m_folder.path());
    }

    CManualWnd* Manual() const
    {
        return m_frame->findChild<CManualWnd*>(QString(), Qt::FindDirectChildrenOnly);
    }
    bool ManualShown() const { return Manual() && Manual()->isVisible(); }

    // The point of the viewer's viewport at the middle of the first link to `href`.
    QPoint LinkPoint(QTextBrowser* browser, const QString& href)
    {
        QTextDocument* document = browser->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.charFormat().anchorHref() != href)
                    continue;
                QTextCursor cursor(document);
                cursor.setPosition(fragment.position() + fragment.length() / 2);
                browser->setTextCursor(cursor);
                browser->ensureCursorVisible();
                return browser->cursorRect().center();
            }
        ADD_FAILURE() << "no link to " << href.toStdString();
        return {};
    }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    QTemporaryDir m_folder;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(ManualTest, F1AndTheMenuItemOpenTheManualAtItsContents)
{
    ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    test::Key(m_frame.get(), Qt::Key_F1);
    ASSERT_TRUE(test::PumpUntil([&] { return ManualShown(); }));
    CManualWnd* manual = Manual();
    EXPECT_EQ(manual->windowTitle(), QStringLiteral("Руководство по программированию контроллеров ВЛК2.2"));
    EXPECT_EQ(manual->Browser()->source(), QUrl(QStringLiteral("qrc:/manual/index.md")));
    EXPECT_EQ(manual->Browser()->document()->firstBlock().text(),
              QStringLiteral("Руководство по программированию контроллеров ВЛК2.2"));
    EXPECT_NE(manual->Browser()->toPlainText().indexOf(QStringLiteral("Пульт и его команды")), -1);
    EXPECT_TRUE(m_messages.Texts().empty()) << "never an error";

    // Away from the contents, closed, then "Вызов справки" from the menu: the same window, at the contents.
    manual->Browser()->setSource(QUrl(QStringLiteral("qrc:/manual/usb.md")));
    manual->close();
    ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    QMenuBar* bar = m_frame->menuBar();
    QAction* helpMenu = bar->actions().last();
    ASSERT_EQ(helpMenu->text(), QStringLiteral("&?"));
    test::Click(bar, test::CentreOf(bar->actionGeometry(helpMenu)));
    QMenu* menu = helpMenu->menu();
    ASSERT_TRUE(test::PumpUntil([&] { return menu->isVisible(); }));
    QAction* item = menu->actions().at(0);
    ASSERT_EQ(item->text(), QStringLiteral("Вы&зов справки\tF1"));
    test::Click(menu, test::CentreOf(menu->actionGeometry(item)));
    ASSERT_TRUE(test::PumpUntil([&] { return ManualShown(); }));
    EXPECT_EQ(Manual(), manual);
    EXPECT_EQ(m_frame->findChildren<CManualWnd*>().size(), 1);
    EXPECT_EQ(manual->Browser()->source(), QUrl(QStringLiteral("qrc:/manual/index.md")));
}

TEST_F(ManualTest, LinksInsideTheManualLeadToItsPages)
{
    ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    test::Key(m_frame.get(), Qt::Key_F1);
    ASSERT_TRUE(test::PumpUntil([&] { return ManualShown(); }));
    CManualWnd* manual = Manual();
    ASSERT_TRUE(test::ShowAndActivate(manual));
    QTextBrowser* browser = manual->Browser();

    test::Click(browser->viewport(), LinkPoint(browser, QStringLiteral("console.md")));
    ASSERT_TRUE(test::PumpUntil([&] { return browser->source() == QUrl(QStringLiteral("qrc:/manual/console.md")); }))
        << browser->source().toString().toStdString();
    EXPECT_EQ(browser->document()->firstBlock().text(), QStringLiteral("Пульт и его команды"));
    // The page's picture came from the resources.
    EXPECT_FALSE(browser->document()
                     ->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/page-console.png")))
                     .isNull());

    test::Click(manual->BackButton());
    ASSERT_TRUE(test::PumpUntil([&] { return browser->source() == CManualWnd::ContentsUrl(); }));
    test::Click(browser->viewport(), LinkPoint(browser, QStringLiteral("messages.md")));
    ASSERT_TRUE(test::PumpUntil([&] { return browser->source() == QUrl(QStringLiteral("qrc:/manual/messages.md")); }));
    EXPECT_NE(browser->toPlainText().indexOf(QStringLiteral("Отказ перехода в режим программирования")), -1);
    test::Click(browser->viewport(), LinkPoint(browser, QStringLiteral("index.md")));
    ASSERT_TRUE(test::PumpUntil([&] { return browser->source() == CManualWnd::ContentsUrl(); }));
    test::Click(browser->viewport(), LinkPoint(browser, QStringLiteral("usb.md")));
    ASSERT_TRUE(test::PumpUntil([&] { return browser->source() == QUrl(QStringLiteral("qrc:/manual/usb.md")); }));
    test::Click(manual->ContentsButton());
    ASSERT_TRUE(test::PumpUntil([&] { return browser->source() == CManualWnd::ContentsUrl(); }));
}

TEST(ManualPages, EveryLinkAndPictureIsInTheResources)
{
    QStringList pages;
    for (QDirIterator it(QStringLiteral(":/manual"), {QStringLiteral("*.md")}); it.hasNext();)
        pages << QFileInfo(it.next()).fileName();
    pages.sort();
    EXPECT_EQ(pages, (QStringList{"check.md", "console.md", "index.md", "messages.md", "pages.md", "plan.md", "programming.md",
                                  "schedule.md", "simulator.md", "start.md", "usb.md", "vlkctl.md"}));
    const QString contents = ReadText(QStringLiteral(":/manual/index.md"));
    const QRegularExpression link(QStringLiteral(R"(\]\(([^)\s]+)\))"));
    int images = 0;
    for (const QString& page : pages) {
        const QString text = ReadText(QStringLiteral(":/manual/") + page);
        ASSERT_FALSE(text.isEmpty()) << page.toStdString();
        if (page != QStringLiteral("index.md")) {
            EXPECT_NE(contents.indexOf(QStringLiteral("](") + page + QStringLiteral(")")), -1)
                << page.toStdString() << " is in the contents";
            EXPECT_NE(text.indexOf(QStringLiteral("[Содержание](index.md)")), -1) << page.toStdString();
        }
        for (auto it = link.globalMatch(text); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_FALSE(target.contains(QStringLiteral("://"))) << "no way out of the manual: " << target.toStdString();
            const QString path = QStringLiteral(":/manual/") + target.section(QLatin1Char('#'), 0, 0);
            EXPECT_TRUE(QFile::exists(path)) << page.toStdString() << ": " << target.toStdString();
            if (target.startsWith(QStringLiteral("images/"))) {
                ++images;
                EXPECT_FALSE(QImage(path).isNull()) << path.toStdString();
            }
        }
    }
    EXPECT_GE(images, 8) << "the window and every page";
}

TEST_F(ManualTest, AnOldHelpFileBesideTheStationIsStillOpenedByTheDesktop)
{
    const QString path = QDir(m_folder.path()).filePath(QStringLiteral("HELPVLK2_2.hlp"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("help");
    }
    FileOpener opener;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "Open");
    ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    test::Key(m_frame.get(), Qt::Key_F1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.opened[0], QUrl::fromLocalFile(path));
    EXPECT_EQ(Manual(), nullptr);
    EXPECT_TRUE(m_messages.Texts().empty());
}

} // namespace
} // namespace vlk

#include "Manual_test.moc"
