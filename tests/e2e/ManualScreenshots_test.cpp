// The pictures of the manual, taken from the running station: the demo junction in the pages, the
// console live against the simulator. scripts/manual-screenshots runs this with VLK_MANUAL_IMAGES
// pointing at src/res/manual/images; otherwise the pictures go to build/…/snapshots/manual.

#include "config/DemoJunction.h"
#include "e2e/StationHarness.h"
#include "frame/CheckList.h"
#include "frame/ManualWnd.h"
#include "pages/ConfigPages.h"
#include "pages/DeskWnd.h"

#include <QDir>
#include <QLineEdit>
#include <QTextBrowser>

namespace vlk::test {
namespace {

QString Folder()
{
    const char* chosen = std::getenv("VLK_MANUAL_IMAGES");
    return chosen && *chosen ? QString::fromLocal8Bit(chosen) : QStringLiteral(VLK_BINARY_DIR "/snapshots/manual");
}

class ManualScreenshots : public StationTest {};

TEST_F(ManualScreenshots, EveryPageOfTheRunningStation)
{
    SimulatorOptions options = FastOptions();
    options.period = std::chrono::milliseconds(200);
    StartSimulator(options);
    StartStation(1);
    m_frame->resize(1100, 760);
    ConfigPages(m_frame->Tabs().Pages()).Write(DemoJunction(), LoadFlavour::File);
    const QString folder = Folder();
    ASSERT_TRUE(QDir().mkpath(folder)) << folder.toStdString();

    // The console shows what the simulated controller runs before it is taken.
    auto* program = m_frame->Console().Item<QLineEdit>(1041);
    ASSERT_NE(program, nullptr);
    ASSERT_TRUE(WaitFor([&] { return program->text() != QStringLiteral("0") && !program->text().isEmpty(); }, 5s))
        << program->text().toStdString();

    const char* const names[] = {"page-directions", "page-programs", "page-schedules", "page-console",
                                 "page-outputs",    "page-sensors",  "page-zad",      "page-diagrams"};
    CTabs& tabs = m_frame->Tabs();
    for (int i = 0; i < 8; ++i) {
        Click(&tabs, CentreOf(tabs.TabRect(i)));
        ASSERT_TRUE(PumpUntil([&] { return tabs.Selected() == i; })) << i;
        const QImage image = m_frame->grab().toImage();
        ASSERT_EQ(image.size(), QSize(1100, 760));
        const QString path = folder + QStringLiteral("/%1.png").arg(QString::fromLatin1(names[i]));
        EXPECT_TRUE(image.save(path)) << path.toStdString();
    }

    // The whole window with the check's list under the pages.
    Click(&tabs, CentreOf(tabs.TabRect(0)));
    Key(m_frame.get(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->Findings().isVisible(); }));
    const QString path = folder + QStringLiteral("/station.png");
    EXPECT_TRUE(m_frame->grab().toImage().save(path)) << path.toStdString();

    // The manual itself at its contents and at the console's page, to be looked at (not in the manual).
    Key(m_frame.get(), Qt::Key_F1);
    CManualWnd* manual = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        manual = m_frame->findChild<CManualWnd*>();
        return manual && manual->isVisible();
    }));
    const QString own = QStringLiteral(VLK_BINARY_DIR "/snapshots/manual");
    ASSERT_TRUE(QDir().mkpath(own));
    EXPECT_TRUE(manual->grab().toImage().save(own + QStringLiteral("/manual-contents.png")));
    manual->Browser()->setSource(QUrl(QStringLiteral("qrc:/manual/messages.md")));
    EXPECT_TRUE(manual->grab().toImage().save(own + QStringLiteral("/manual-messages.png")));
}

} // namespace
} // namespace vlk::test
