#include "app/AboutDlg.h"

#include "app/DialogUnits.h"
#include "app/StationArt.h"

#include <QLabel>
#include <QPushButton>

namespace vlk {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("О программе VLK2.2"));
    const DialogUnits du(font());
    setFixedSize(du.X(235), du.Y(53));

    auto* icon = new QLabel(this);
    icon->setGeometry(du.Rect(11, 15, 20, 20));
    icon->setPixmap(StationArt::ApplicationIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignCenter);

    auto* version = new QLabel(QStringLiteral("VLK2.2 Версия 1.0"), this);
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(du.Rect(40, 10, 119, 8));

    auto* notice = new QLabel(QStringLiteral("Программирование и контроль дорожных контроллеров ВЛК2.2\n"
                                             "по последовательному каналу."),
                              this);
    notice->setTextFormat(Qt::PlainText);
    notice->setGeometry(du.Rect(40, 25, 188, 16));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(du.Rect(178, 7, 50, 14));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CAboutDlg::accept);
}

} // namespace vlk
