#include "frame/WatchWnd.h"

#include "link/CPort.h"
#include "link/PortAddress.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace vlk {

namespace {

constexpr auto kRestartPause = std::chrono::seconds(5);
const QColor kAlarmBackground(255, 196, 196);

// The device or address behind a port's name, so that "COM1:" and the path it stands for are one line.
std::string LineOf(const std::string& name)
{
    return name.empty() ? name : CPort::DevicePath(name);
}

QString LinkText(const WatchSnapshot& snapshot, bool onConsole)
{
    if (onConsole)
        return QStringLiteral("на пульте");
    if (!snapshot.running)
        return QStringLiteral("нет");
    if (snapshot.lineLost)
        return QStringLiteral("потеряна");
    return snapshot.frame ? QStringLiteral("есть") : QStringLiteral("ожидание");
}

QString FlagsText(const StateFrame& frame)
{
    QStringList flags;
    for (std::size_t bit = 0; bit < kStatusLabels.size(); ++bit)
        if (frame.status[bit])
            flags << QString::fromUtf8(kStatusLabels[bit]);
    return flags.join(QLatin1Char(' '));
}

} // namespace

WatchWnd::WatchWnd(std::function<std::string()> consolePort, QWidget* parent)
    : QWidget(parent, Qt::Window), m_consolePort(std::move(consolePort))
{
    setWindowTitle(QStringLiteral("Наблюдение"));
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Контроллер"), QStringLiteral("Адрес"), QStringLiteral("Связь"),
                                        QStringLiteral("Кадр"), QStringLiteral("Программа"), QStringLiteral("Фаза"),
                                        QStringLiteral("Вызвана"), QStringLiteral("Флаги"), QStringLiteral("Отказы")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_table->setToolTip(QStringLiteral("Двойной щелчок открывает контроллер на пульте"));

    m_add = new QPushButton(QStringLiteral("Добавить…"), this);
    m_remove = new QPushButton(QStringLiteral("Удалить"), this);
    m_status = new QLabel(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_status, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(820, 360);

    m_timer = new QTimer(this);
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &WatchWnd::Refresh);
    connect(m_add, &QPushButton::clicked, this, &WatchWnd::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &WatchWnd::OnRemove);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OnDoubleClick(row); });

    Load();
}

WatchWnd::~WatchWnd()
{
    StopAll();
}

void WatchWnd::Load()
{
    std::string error;
    m_list = LoadWatchList(WatchListPath(), &error);
    m_status->setText(QString::fromStdString(error));
    m_table->setRowCount(0);
    m_rows.clear();
    for (const auto& controller : m_list)
        AddRow(controller);
}

void WatchWnd::Save()
{
    const std::string error = SaveWatchList(WatchListPath(), m_list);
    m_status->setText(QString::fromStdString(error));
}

void WatchWnd::AddRow(const WatchedController& controller)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    for (int column = 0; column < ColumnCount; ++column)
        m_table->setItem(row, column, new QTableWidgetItem);
    m_table->item(row, NameColumn)->setText(QString::fromStdString(controller.name));
    m_table->item(row, AddressColumn)->setText(QString::fromStdString(controller.address));
    Row entry;
    entry.line = std::make_unique<WatchedLine>(controller.address);
    m_rows.push_back(std::move(entry));
}

void WatchWnd::StartAll()
{
    // A controller the console is talking to already stays the console's: a device opens once,
    // and a server gives its line to the newest client, which would take it from the console.
    const std::string console = LineOf(m_consolePort ? m_consolePort() : std::string());
    for (Row& row : m_rows) {
        row.line->SetSilentPass(m_silentPass);
        if (!console.empty() && console == LineOf(row.line->Address()))
            row.onConsole = true;
        if (!row.onConsole)
            (void)row.line->Start();
    }
    m_timer->start();
    Refresh();
}

void WatchWnd::StopAll()
{
    m_timer->stop();
    // All asked first: their reads end together, not one after another.
    for (Row& row : m_rows)
        row.line->SignalStop();
    for (Row& row : m_rows)
        row.line->Stop();
}

void WatchWnd::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    StartAll();
}

void WatchWnd::closeEvent(QCloseEvent* event)
{
    StopAll();
    QWidget::closeEvent(event);
}

bool WatchWnd::RowAlarm(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || m_rows[row].onConsole)
        return false;
    const WatchSnapshot snapshot = m_rows[row].line->Snapshot();
    return snapshot.Alarm() || !snapshot.running;
}

void WatchWnd::Refresh()
{
    const auto now = std::chrono::steady_clock::now();
    const std::string console = LineOf(m_consolePort ? m_consolePort() : std::string());
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        Row& row = m_rows[i];
        // The console took this controller's line (by the port dialog or a port chosen from its
        // menu): the row lets go of it rather than fight for it.
        if (!row.onConsole && !console.empty() && console == LineOf(row.line->Address())) {
            row.line->Stop();
            row.onConsole = true;
        }
        // The console has moved on: the row takes its line again.
        if (row.onConsole && console != LineOf(row.line->Address())) {
            row.onConsole = false;
            (void)row.line->Start();
        }
        WatchSnapshot snapshot = row.line->Snapshot();
        // A worker that ended by itself (a device missing at its start) is tried again now and then.
        if (!row.onConsole && !snapshot.running && isVisible()) {
            if (row.restartAt == std::chrono::steady_clock::time_point{})
                row.restartAt = now + kRestartPause;
            else if (now >= row.restartAt) {
                row.restartAt = {};
                (void)row.line->Start();
            }
        }
        const StateFrame* frame = snapshot.frame ? &*snapshot.frame : nullptr;
        m_table->item(i, LinkColumn)->setText(LinkText(snapshot, row.onConsole));
        m_table->item(i, LinkColumn)->setToolTip(QString::fromStdString(snapshot.message));
        QString age = QStringLiteral("—");
        if (frame) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - snapshot.frameTime).count();
            age = QStringLiteral("%1 с").arg(seconds);
        }
        m_table->item(i, AgeColumn)->setText(age);
        m_table->item(i, ProgramColumn)->setText(frame ? QString::number(frame->program) : QString());
        m_table->item(i, PhaseColumn)->setText(frame ? QString::number(frame->currentPhase) : QString());
        m_table->item(i, CalledColumn)->setText(frame ? QString::number(frame->calledPhase) : QString());
        m_table->item(i, FlagsColumn)->setText(frame ? FlagsText(*frame) : QString());
        m_table->item(i, FailuresColumn)->setText(frame ? QString::number(snapshot.FailedDirections()) : QString());
        const bool alarm = RowAlarm(i);
        for (int column = 0; column < ColumnCount; ++column)
            m_table->item(i, column)->setBackground(alarm ? QBrush(kAlarmBackground) : QBrush());
    }
}

bool WatchWnd::AddController(const WatchedController& controller)
{
    for (const auto& known : m_list)
        if (known.address == controller.address)
            return false;
    m_list.push_back(controller);
    Save();
    AddRow(controller);
    if (isVisible()) {
        m_rows.back().line->SetSilentPass(m_silentPass);
        (void)m_rows.back().line->Start();
    }
    Refresh();
    return true;
}

void WatchWnd::OnAdd()
{
    WatchAddDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!AddController(dialog.Controller()))
        m_status->setText(QStringLiteral("Этот адрес уже в списке"));
}

void WatchWnd::OnRemove()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    m_rows[row].line->Stop();
    m_rows.erase(m_rows.begin() + row);
    m_list.erase(m_list.begin() + row);
    m_table->removeRow(row);
    Save();
}

void WatchWnd::OnDoubleClick(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    // The line is the console's now: a device opens once, and a server takes one client.
    Row& entry = m_rows[row];
    entry.line->Stop();
    entry.onConsole = true;
    // The console takes the line now; should it refuse, the next look gives the row its line back.
    emit OpenOnConsole(QString::fromStdString(entry.line->Address()));
    Refresh();
}

WatchAddDialog::WatchAddDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Добавить контроллер"));
    m_address = new QLineEdit(this);
    m_address->setPlaceholderText(QStringLiteral("rfc2217://узел:порт, tcp://узел:порт, /dev/…"));
    m_name = new QLineEdit(this);
    m_hint = new QLabel(this);
    m_hint->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Адрес:"), m_address);
    form->addRow(QStringLiteral("Название:"), m_name);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_hint);
    layout->addLayout(buttons);
    setMinimumWidth(380);
    connect(ok, &QPushButton::clicked, this, &WatchAddDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &WatchAddDialog::reject);
}

WatchedController WatchAddDialog::Controller() const
{
    return {m_address->text().trimmed().toStdString(), m_name->text().trimmed().toStdString()};
}

void WatchAddDialog::accept()
{
    const WatchedController controller = Controller();
    if (controller.address.empty()) {
        m_hint->setText(QStringLiteral("Введите адрес порта"));
        m_address->setFocus();
        return;
    }
    if (!PortAddress::Parse(controller.address).valid) {
        m_hint->setText(QStringLiteral("Нужен tcp://узел:порт или rfc2217://узел:порт"));
        m_address->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace vlk
