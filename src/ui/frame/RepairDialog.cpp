#include "frame/RepairDialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace vlk {

RepairDialog::RepairDialog(const QString& fileName, const QStringList& repairs, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ВЛК2.2_v4"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("Файл %1 поврежден. При открытии будет исправлено:").arg(fileName), this);
    heading->setWordWrap(true);
    layout->addWidget(heading);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("repairs"));
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setWordWrap(true);
    const int shown = std::min<int>(kShown, static_cast<int>(repairs.size()));
    for (int i = 0; i < shown; ++i)
        m_list->addItem(repairs[i]);
    layout->addWidget(m_list, 1);

    const int total = static_cast<int>(repairs.size());
    m_total = new QLabel(total > shown ? QStringLiteral("Показаны первые %1 из %2 исправлений.").arg(shown).arg(total)
                                       : QStringLiteral("Всего исправлений: %1.").arg(total),
                         this);
    layout->addWidget(m_total);
    auto* question = new QLabel(QStringLiteral("Открыть файл с исправлениями? Отмена оставляет страницы как были."), this);
    question->setWordWrap(true);
    layout->addWidget(question);

    auto* buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(QStringLiteral("Открыть"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    // A damaged file is kept out unless the user asks for it: Enter means Отмена.
    m_cancel->setDefault(true);
    m_cancel->setAutoDefault(true);
    m_open->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // Whatever the number of lines, the buttons stay on the screen: the list scrolls instead.
    const QScreen* screen = parent != nullptr && parent->screen() != nullptr ? parent->screen()
                                                                              : QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int height = std::min(480, available.height() * 3 / 4);
    const int width = std::min(640, available.width() * 9 / 10);
    setMaximumHeight(available.height() - 40);
    resize(width, height);
}

} // namespace vlk
