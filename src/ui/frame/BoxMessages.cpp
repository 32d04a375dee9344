#include "frame/BoxMessages.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace vlk {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

const QString kBoxTitle = QStringLiteral("ВЛК2.2_v4");

} // namespace

void BoxMessages::Show(const std::string& text, MessageIcon icon)
{
    QMessageBox box(BoxIcon(icon), kBoxTitle, QString::fromStdString(text), QMessageBox::Ok, m_owner);
    box.exec();
}

bool BoxMessages::Ask(const std::string& text, MessageIcon icon)
{
    QMessageBox box(BoxIcon(icon), kBoxTitle, QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, m_owner);
    return box.exec() == QMessageBox::Ok;
}

bool BoxMessages::AskYesNo(const std::string& text, MessageIcon icon)
{
    QMessageBox box(BoxIcon(icon), kBoxTitle, QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    m_owner);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Choice BoxMessages::AskYesNoCancel(const std::string& text, MessageIcon icon)
{
    QMessageBox box(BoxIcon(icon), kBoxTitle, QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_owner);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return Choice::Yes;
    case QMessageBox::No: return Choice::No;
    default: return Choice::Cancel;
    }
}

} // namespace vlk
