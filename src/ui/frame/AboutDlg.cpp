#include "frame/AboutDlg.h"

#include "frame/DialogUnits.h"
#include "frame/StationArt.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

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

    // The texts keep their places but never their template widths when the font needs more:
    // each label grows to its text, and the box with it.
    int right = width();
    int bottom = height();
    for (QLabel* label : {version, notice}) {
        const QSize text = QFontMetrics(label->font()).size(0, label->text());
        QRect r = label->geometry();
        r.setWidth(std::max(r.width(), text.width() + 2));
        r.setHeight(std::max(r.height(), text.height()));
        label->setGeometry(r);
        right = std::max(right, r.right() + 1 + du.X(7));
        bottom = std::max(bottom, r.bottom() + 1 + du.Y(7));
    }
    setFixedSize(right, bottom);
    // OK keeps its margin to the right edge.
    m_ok->move(right - du.X(7) - m_ok->width(), m_ok->y());
}

} // namespace vlk
