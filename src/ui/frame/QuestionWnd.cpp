#include "frame/QuestionWnd.h"

#include "frame/DialogUnits.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "link/PortAddress.h"

#include <cstdlib>

namespace vlk {

QString CQuestionWnd::DeviceOf(int port)
{
    const char* variable = port == 2 ? "VLK_COM2" : "VLK_COM1";
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0')
        return QString::fromLocal8Bit(value);
    return port == 2 ? QStringLiteral("/dev/ttyS1") : QStringLiteral("/dev/ttyS0");
}

CQuestionWnd::CQuestionWnd(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("ВЛК2.2"));
    setWindowModality(Qt::ApplicationModal);
    const DialogUnits du(font());
    // The device under each port name takes one more line than the bare choice needed.
    // The third choice and its address field take two more lines, and one for what is wrong
    // with an address.
    const int extra = 10 + 36;
    setFixedSize(du.X(174), du.Y(106 + extra));

    auto* group = new QGroupBox(QStringLiteral("Выберите порт :"), this);
    group->setGeometry(du.Rect(14, 14, 136, 27 + extra));
    m_com1 = new QRadioButton(QStringLiteral("COM1"), this);
    m_com1->setGeometry(du.Rect(35, 27, 38, 9));
    m_com2 = new QRadioButton(QStringLiteral("COM2"), this);
    m_com2->setGeometry(du.Rect(96, 27, 48, 9));
    m_com1->setObjectName(QStringLiteral("1061"));
    m_com2->setObjectName(QStringLiteral("1062"));
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    for (int port : {1, 2}) {
        // Each device line has its half of the group under its port name; a path too long for
        // it is shortened in the middle, so both where it starts and how it ends stay readable,
        // and the whole path is in the tip.
        const QString path = DeviceOf(port);
        auto* device = new QLabel(this);
        device->setFont(small);
        device->setForegroundRole(QPalette::PlaceholderText);
        device->setGeometry(du.Rect(port == 1 ? 16 : 82, 37, 66, 9));
        const int room = device->contentsRect().width() - 2;
        device->setText(QFontMetrics(small).elidedText(path, Qt::ElideMiddle, room));
        device->setAlignment(Qt::AlignCenter);
        device->setToolTip(path);
    }

    m_other = new QRadioButton(QStringLiteral("Другой порт…"), this);
    m_other->setGeometry(du.Rect(20, 49, 100, 9));
    m_address = new QLineEdit(this);
    m_address->setGeometry(du.Rect(20, 60, 124, 12));
    m_address->setPlaceholderText(QStringLiteral("tcp://узел:порт, rfc2217://узел:порт, /dev/…"));
    m_address->setToolTip(QStringLiteral("Путь к устройству или адрес сервера последовательных портов:\n"
                                         "tcp://узел:порт — байты как есть;\n"
                                         "rfc2217://узел:порт — Telnet, станция сама ставит 9600 8O1"));
    m_hint = new QLabel(this);
    m_hint->setFont(small);
    m_hint->setGeometry(du.Rect(20, 73, 124, 9));
    m_hint->setStyleSheet(QStringLiteral("color: #b00000"));

    auto* question = new QLabel(QStringLiteral("Запустить обмен данными через выбранный порт?"), this);
    question->setGeometry(du.Rect(23, 47 + extra, 127, 23));
    question->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    question->setWordWrap(true);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(du.Rect(22, 78 + extra, 50, 14));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setGeometry(du.Rect(101, 78 + extra, 50, 14));

    connect(m_com1, &QRadioButton::clicked, this, [this] { m_port = 1; });
    connect(m_com2, &QRadioButton::clicked, this, [this] { m_port = 2; });
    connect(m_other, &QRadioButton::clicked, this, [this] {
        m_port = kOtherPort;
        m_address->setFocus();
    });
    // Typing an address is choosing it.
    connect(m_address, &QLineEdit::textEdited, this, [this] {
        m_other->setChecked(true);
        m_port = kOtherPort;
        m_hint->clear();
    });
    connect(m_ok, &QPushButton::clicked, this, &CQuestionWnd::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CQuestionWnd::reject);
}

QString CQuestionWnd::Address() const
{
    return m_address->text().trimmed();
}

void CQuestionWnd::accept()
{
    // No port yet: the dialog stays open.
    if (m_port == 0)
        return;
    if (m_port == kOtherPort) {
        const QString address = Address();
        if (address.isEmpty()) {
            m_hint->setText(QStringLiteral("Введите адрес порта"));
            m_address->setFocus();
            return;
        }
        if (!PortAddress::Parse(address.toStdString()).valid) {
            m_hint->setText(QStringLiteral("Нужен tcp://узел:порт или rfc2217://узел:порт"));
            m_address->setFocus();
            return;
        }
    }
    QDialog::accept();
}

} // namespace vlk
