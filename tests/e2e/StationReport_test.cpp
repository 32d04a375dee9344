// "Файл → Печать…" and "Файл → Экспорт в PDF…" through the window.
#include "e2e/StationHarness.h"

#include "config/DemoJunction.h"
#include "pages/ConfigPages.h"
#include "support/PdfText.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>

namespace vlk::test {
namespace {

class StationReportTest : public StationTest {
protected:
    std::string Text(const QString& path) { return Flat(PdfText(path.toStdString())); }

    QTemporaryDir m_dir;
};

TEST_F(StationReportTest, ExportToPdfFromTheFileMenu)
{
    StartStation(0);
    ConfigPages(m_frame->Tabs().Pages()).Write(DemoJunction(), LoadFlavour::File);
    EXPECT_EQ(m_frame->Command(57607)->text(), QStringLiteral("Пе&чать…"));
    EXPECT_EQ(m_frame->Command(57607)->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(m_frame->Command(32801)->text(), QStringLiteral("&Экспорт в PDF…"));

    const QString path = m_dir.filePath(QStringLiteral("demo.pdf"));
    m_dialogs.pdfNames = {path};
    ClickMenuItem(32801);
    ASSERT_TRUE(PumpUntil([&] { return QFile::exists(path); }));
    EXPECT_EQ(m_dialogs.pdfAsked, 1);
    EXPECT_EQ(m_dialogs.pdfSuggested, QStringLiteral("junction.pdf")); // nothing opened or saved yet
    EXPECT_TRUE(m_messages.Entries().empty());
    const std::string text = Text(path);
    for (const char* piece : {"Конфигурация дорожного контроллера ВЛК2.2", "Демо: ул. Ленина - ул. Мира",
                              "(не сохранён)", "Отпечаток образа CRC-32: E12AFA4F", "Программа 1: цикл 99 с",
                              "Описание программ", "1 30 45 20", "Ошибок и предупреждений нет."})
        EXPECT_NE(text.find(piece), std::string::npos) << piece;

    // After a save the report bears the file's name, and the export starts beside it.
    const QString saved = m_dir.filePath(QStringLiteral("crossing.vlk"));
    m_dialogs.saveNames = {saved};
    m_frame->Command(57603)->trigger();
    ASSERT_TRUE(QFile::exists(saved));
    const QString second = m_dir.filePath(QStringLiteral("second.pdf"));
    m_dialogs.pdfNames = {second};
    ClickMenuItem(32801);
    ASSERT_TRUE(PumpUntil([&] { return QFile::exists(second); }));
    EXPECT_EQ(m_dialogs.pdfSuggested, m_dir.filePath(QStringLiteral("crossing.pdf")));
    EXPECT_NE(Text(second).find("Файл crossing.vlk"), std::string::npos);
}

TEST_F(StationReportTest, AnExportThatFailsSaysSoAndAnExistingFileIsAskedAbout)
{
    StartStation(0);
    const QString bad = m_dir.filePath(QStringLiteral("missing/folder/x.pdf"));
    m_dialogs.pdfNames = {bad};
    ClickMenuItem(32801);
    ASSERT_TRUE(PumpUntil([&] { return !m_messages.Entries().empty(); }));
    ASSERT_EQ(m_messages.Entries().size(), 1u);
    EXPECT_EQ(m_messages.Entries()[0].text.rfind("Файл " + bad.toStdString() + " не записан: ", 0), 0u)
        << m_messages.Entries()[0].text;
    EXPECT_FALSE(QFile::exists(bad));
    EXPECT_NE(m_frame->statusBar()->currentMessage(), QStringLiteral("Записан файл %1").arg(bad));

    // An existing file: Нет asks for another name (Cancel here), the old file stays.
    const QString old = m_dir.filePath(QStringLiteral("old.pdf"));
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    m_messages.QueueAnswer(false);
    m_dialogs.pdfNames = {old};
    ClickMenuItem(32801);
    ASSERT_TRUE(PumpUntil([&] { return m_dialogs.pdfAsked == 3; }));
    ASSERT_EQ(m_messages.Entries().size(), 2u);
    EXPECT_EQ(m_messages.Entries()[1].text, "Такой файл существует,перезаписать?");
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old"));
}

TEST_F(StationReportTest, CtrlPShowsThePrintPreviewOfTheReport)
{
    StartStation(0);
    ConfigPages(m_frame->Tabs().Pages()).Write(DemoJunction(), LoadFlavour::File);
    int pages = 0;
    bool seen = false;
    // The preview runs its own event loop; a timer looks for it there (for at most 5 s).
    QTimer poll;
    int polls = 0;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QPrintPreviewDialog* preview = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QPrintPreviewDialog*>(top); p && p->isVisible())
                preview = p;
        if (!preview) {
            if (++polls > 250)
                poll.stop();
            return;
        }
        poll.stop();
        seen = true;
        auto* widget = preview->findChild<QPrintPreviewWidget*>();
        if (widget)
            PumpUntil([&] { return widget->pageCount() > 0; });
        pages = widget ? widget->pageCount() : 0;
        // What is looked at here is the preview's content; the dialog itself is Qt's.
        preview->reject();
    });
    poll.start();
    Key(m_frame.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(seen);
    EXPECT_GE(pages, 3);
    EXPECT_LE(pages, 6);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace vlk::test
