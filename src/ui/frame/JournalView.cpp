#include "frame/JournalView.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vlk {

namespace {

const QString kAll = QStringLiteral("Все");

// The journal's action words in the engineer's.
QString ActionText(const QString& action)
{
    static const std::pair<const char*, const char*> kWords[] = {
        {"write", "запись ОДД"},          {"read", "чтение ОДД"},         {"compare", "сравнение"},
        {"clock", "установка времени"},   {"control-taken", "управление взято"},
        {"control-released", "управление передано"}, {"phase-call", "вызов фазы"},
        {"yellow-flashing", "ЖМ"},        {"all-red", "ОС"},
    };
    for (const auto& [word, text] : kWords)
        if (action == QLatin1String(word))
            return QString::fromUtf8(text);
    return action;
}

} // namespace

std::vector<JournalRow> ParseJournal(const QByteArray& text, int* skipped)
{
    std::vector<JournalRow> rows;
    int torn = 0;
    for (const QByteArray& line : text.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (!doc.isObject() || !doc.object().value(QStringLiteral("time")).isString()) {
            ++torn;
            continue;
        }
        const QJsonObject o = doc.object();
        auto f = [&o](const char* key) { return o.value(QLatin1String(key)).toString(); };
        rows.push_back({f("time"), f("program"), f("user"), f("host"), f("port"), f("action"), f("file"),
                        f("fileFingerprint"), f("controllerFingerprint"), f("result"), f("message")});
    }
    std::reverse(rows.begin(), rows.end());
    if (skipped)
        *skipped = torn;
    return rows;
}

JournalView::JournalView(const QString& path, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Журнал"));
    QFile file(path);
    int skipped = 0;
    QString trouble;
    if (file.open(QIODevice::ReadOnly))
        m_rows = ParseJournal(file.readAll(), &skipped);
    else if (file.exists())
        trouble = QStringLiteral("Журнал %1 не прочитан: %2").arg(path, file.errorString());

    auto* layout = new QVBoxLayout(this);
    auto* filters = new QHBoxLayout;
    m_port = new QComboBox(this);
    m_action = new QComboBox(this);
    QStringList ports, actions;
    for (const JournalRow& row : m_rows) {
        if (!ports.contains(row.port))
            ports << row.port;
        if (!actions.contains(row.action))
            actions << row.action;
    }
    ports.sort();
    actions.sort();
    m_port->addItem(kAll, QString());
    for (const QString& port : ports)
        m_port->addItem(port, port);
    m_action->addItem(kAll, QString());
    for (const QString& action : actions)
        m_action->addItem(ActionText(action), action);
    filters->addWidget(new QLabel(QStringLiteral("Порт:"), this));
    filters->addWidget(m_port);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(QStringLiteral("Действие:"), this));
    filters->addWidget(m_action);
    filters->addStretch(1);
    m_summary = new QLabel(this);
    filters->addWidget(m_summary);
    layout->addLayout(filters);

    m_table = new QTableWidget(this);
    m_table->setColumnCount(ColumnCount);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Время"), QStringLiteral("Порт"), QStringLiteral("Действие"),
                                        QStringLiteral("Результат"), QStringLiteral("Программа"),
                                        QStringLiteral("Пользователь"), QStringLiteral("Файл"),
                                        QStringLiteral("Отпечатки (файл / контроллер)"), QStringLiteral("Сообщение")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    layout->addWidget(m_table, 1);
    if (!trouble.isEmpty() || skipped > 0) {
        auto* note = new QLabel(trouble.isEmpty() ? QStringLiteral("Пропущено неполных строк: %1").arg(skipped) : trouble,
                                this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_port, &QComboBox::currentIndexChanged, this, &JournalView::Fill);
    connect(m_action, &QComboBox::currentIndexChanged, this, &JournalView::Fill);
    Fill();
    // Wide enough for the usual columns, never taller or wider than the screen.
    QSize size(1000, 520);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size);
}

void JournalView::Fill()
{
    const QString port = m_port->currentData().toString();
    const QString action = m_action->currentData().toString();
    m_table->setRowCount(0);
    int shown = 0;
    for (const JournalRow& row : m_rows) {
        if ((!port.isEmpty() && row.port != port) || (!action.isEmpty() && row.action != action))
            continue;
        m_table->insertRow(shown);
        QString time = row.time;
        time.replace(QLatin1Char('T'), QLatin1Char(' '));
        const QString fingerprints = row.fileFingerprint.isEmpty() && row.controllerFingerprint.isEmpty()
                                         ? QString()
                                         : QStringLiteral("%1 / %2").arg(row.fileFingerprint.isEmpty() ? QStringLiteral("—") : row.fileFingerprint,
                                                                         row.controllerFingerprint.isEmpty() ? QStringLiteral("—") : row.controllerFingerprint);
        const QString cells[ColumnCount] = {time.left(19), row.port, ActionText(row.action), row.result, row.program,
                                            row.user + QLatin1Char('@') + row.host, row.file, fingerprints,
                                            QString(row.message).replace(QLatin1Char('\n'), QLatin1Char(' '))};
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            m_table->setItem(shown, c, item);
        }
        ++shown;
    }
    m_summary->setText(QStringLiteral("Записей: %1 из %2").arg(shown).arg(m_rows.size()));
    m_table->resizeColumnsToContents();
}

} // namespace vlk
