#include "frame/ManualWnd.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vlk {

CManualWnd::CManualWnd(QWidget* parent)
    : QDialog(parent),
      m_browser(new QTextBrowser(this)),
      m_contents(new QPushButton(QStringLiteral("&Содержание"), this)),
      m_back(new QPushButton(QStringLiteral("&Назад"), this)),
      m_forward(new QPushButton(QStringLiteral("&Вперёд"), this))
{
    setObjectName(QStringLiteral("manual"));
    setWindowTitle(QStringLiteral("Руководство по программированию контроллеров ВЛК2.2"));
    // A window of its own, not a modal box: the engineer reads it while working in the station.
    setWindowFlags(Qt::Window);
    setModal(false);
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(false);
    m_browser->setSearchPaths({QStringLiteral(":/manual")});

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_contents);
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);

    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_contents, &QPushButton::clicked, this, &CManualWnd::ShowContents);
    connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QPushButton::setEnabled);
    // Wide enough for the pictures of the station, which are taken at 1100 pixels.
    resize(1160, 800);
    ShowContents();
}

QUrl CManualWnd::ContentsUrl()
{
    return QUrl(QStringLiteral("qrc:/manual/index.md"));
}

void CManualWnd::ShowContents()
{
    m_browser->setSource(ContentsUrl(), QTextDocument::MarkdownResource);
}

CManualWnd* CManualWnd::Open(QWidget* owner)
{
    auto* manual = owner->findChild<CManualWnd*>(QStringLiteral("manual"), Qt::FindDirectChildrenOnly);
    if (!manual)
        manual = new CManualWnd(owner);
    else
        manual->ShowContents();
    manual->show();
    manual->raise();
    manual->activateWindow();
    return manual;
}

} // namespace vlk
