#include "pages/TimingWnd.h"

#include "plan/ConfigurationCheck.h"

#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace vlk {

namespace {

// "0,35": numbers as the engineer reads them.
QString Decimal(double value, int digits)
{
    return QString::number(value, 'f', digits).replace(QLatin1Char('.'), QLatin1Char(','));
}

// Reads "360", "360,5" or "360.5"; nothing for anything else.
std::optional<double> ReadNumber(QString text)
{
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The levels of service from green to red.
QColor LevelColour(char los)
{
    switch (los) {
    case 'A': return QColor(0xB9, 0xE8, 0xB0);
    case 'B': return QColor(0xD9, 0xF0, 0xA8);
    case 'C': return QColor(0xFF, 0xF0, 0xA0);
    case 'D': return QColor(0xFF, 0xD2, 0x90);
    case 'E': return QColor(0xFF, 0xAE, 0x88);
    default: return QColor(0xF2, 0x80, 0x80);
    }
}

QTableWidgetItem* Fixed(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QTableWidget* Table(QWidget* parent, const QStringList& headers)
{
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    return table;
}

} // namespace

CTimingWnd::CTimingWnd(QWidget* parent) : AFormWnd(parent)
{
    m_programBox = new QComboBox(this);
    for (int p = 1; p <= kProgramCount; ++p)
        m_programBox->addItem(QString::number(p), p);
    m_maxCycle = new QSpinBox(this);
    m_maxCycle->setRange(10, 2000);
    m_maxCycle->setSuffix(QStringLiteral(" с"));
    m_maxCycle->setValue(kDefaultMaxCycle);
    m_write = new QPushButton(this);

    m_inputTable = new QTableWidget(kDirectionCount, 3, this);
    m_inputTable->setHorizontalHeaderLabels(
        {QStringLiteral("Интенсивность,\nавт/ч"), QStringLiteral("Полос"), QStringLiteral("Поток насыщения,\nавт/ч на полосу")});
    m_inputTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_inputTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_inputTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                  | QAbstractItemView::AnyKeyPressed);
    QStringList rows;
    for (int d = 1; d <= kDirectionCount; ++d)
        rows << QString::number(d);
    m_inputTable->setVerticalHeaderLabels(rows);
    m_inputTable->verticalHeader()->setDefaultSectionSize(m_inputTable->fontMetrics().height() + 6);
    // As wide as its columns: the results get the rest of the page.
    m_inputTable->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_inputTable->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Expanding);
    m_inputTable->setToolTip(QStringLiteral("Интенсивность движения направления за час, число его полос и поток "
                                            "насыщения одной полосы (по умолчанию 1800 авт/ч)"));

    m_summary = new QLabel(this);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setWordWrap(true);
    m_phaseTable = Table(this, {QStringLiteral("Фаза"), QStringLiteral("y"), QStringLiteral("Направление"),
                                QStringLiteral("Минимум, с"), QStringLiteral("Было, с"), QStringLiteral("Расчёт, с")});
    m_resultTable = Table(this, {QStringLiteral("Направление"), QStringLiteral("Интенсивность,\nавт/ч"),
                                 QStringLiteral("Зелёный, с"), QStringLiteral("Пропускная\nспособность, авт/ч"),
                                 QStringLiteral("X"), QStringLiteral("Задержка, с"), QStringLiteral("Уровень")});
    m_warnings = new QLabel(this);
    m_warnings->setWordWrap(true);
    m_warnings->setStyleSheet(QStringLiteral("color: #a00000"));
    m_check = new QLabel(this);
    m_check->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Программа:"), this));
    top->addWidget(m_programBox);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Наибольший цикл:"), this));
    top->addWidget(m_maxCycle);
    top->addSpacing(12);
    top->addWidget(m_write);
    top->addStretch(1);

    auto* inputs = new QVBoxLayout;
    inputs->addWidget(new QLabel(QStringLiteral("Интенсивности направлений:"), this));
    inputs->addWidget(m_inputTable, 1);

    auto* results = new QVBoxLayout;
    results->addWidget(m_summary);
    results->addWidget(m_phaseTable, 1);
    results->addWidget(m_resultTable, 2);
    results->addWidget(m_warnings);
    results->addWidget(m_check);

    // The results keep room for their texts; a narrower window scrolls the page.
    m_summary->setMinimumWidth(m_summary->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 60);
    auto* body = new QHBoxLayout;
    body->addLayout(inputs, 0);
    body->addLayout(results, 1);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);
    page->addLayout(top);
    page->addLayout(body, 1);

    ShowInputs();
    connect(m_inputTable, &QTableWidget::itemChanged, this, &CTimingWnd::InputChanged);
    connect(m_programBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_filling)
            return;
        m_inputs.program = index + 1;
        m_changed = true;
        emit inputsEdited();
        Recompute();
    });
    connect(m_maxCycle, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_filling)
            return;
        m_inputs.maxCycle = value;
        m_changed = true;
        emit inputsEdited();
        Recompute();
    });
    connect(m_write, &QPushButton::clicked, this, &CTimingWnd::WriteProgram);
    Recompute();
}

CTimingWnd::~CTimingWnd() = default;

void CTimingWnd::SetSource(std::function<Configuration()> source)
{
    m_source = std::move(source);
    Refresh();
}

void CTimingWnd::SetWriter(std::function<bool(int, const Configuration&)> writer)
{
    m_writer = std::move(writer);
}

void CTimingWnd::SetInputs(const TrafficInputs& inputs)
{
    m_inputs = inputs;
    m_changed = false;
    ShowInputs();
    Recompute();
}

void CTimingWnd::CommitEdit()
{
    QWidget* editor = m_inputTable->indexWidget(m_inputTable->currentIndex());
    if (!editor)
        return;
    emit m_inputTable->itemDelegate()->commitData(editor);
    emit m_inputTable->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void CTimingWnd::Refresh()
{
    if (!isVisible())
        return;
    m_configuration = m_source ? m_source() : Configuration::FreshStart();
    Recompute();
}

void CTimingWnd::showEvent(QShowEvent* event)
{
    AFormWnd::showEvent(event);
    m_configuration = m_source ? m_source() : Configuration::FreshStart();
    Recompute();
}

QString CTimingWnd::InputText(int direction, int column) const
{
    const DirectionFlow& f = m_inputs.directions[direction - 1];
    switch (column) {
    case FlowColumn: return f.flow > 0 ? Decimal(f.flow, f.flow == std::floor(f.flow) ? 0 : 1) : QString();
    case LanesColumn: return QString::number(f.lanes);
    default: return Decimal(f.saturation, 0);
    }
}

void CTimingWnd::ShowInputs()
{
    m_filling = true;
    m_programBox->setCurrentIndex(std::clamp(m_inputs.program, 1, kProgramCount) - 1);
    m_maxCycle->setValue(m_inputs.maxCycle);
    for (int d = 1; d <= kDirectionCount; ++d) {
        for (int column = FlowColumn; column <= SaturationColumn; ++column) {
            auto* item = new QTableWidgetItem(InputText(d, column));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_inputTable->setItem(d - 1, column, item);
        }
    }
    m_filling = false;
}

void CTimingWnd::InputChanged(QTableWidgetItem* item)
{
    if (m_filling || !item)
        return;
    const int d = item->row() + 1;
    DirectionFlow& f = m_inputs.directions[item->row()];
    const QString text = item->text().trimmed();
    bool accepted = true;
    switch (item->column()) {
    case FlowColumn: {
        const auto value = text.isEmpty() ? std::optional<double>(0) : ReadNumber(text);
        accepted = value && *value >= 0 && *value <= 20000;
        if (accepted)
            f.flow = *value;
        break;
    }
    case LanesColumn: {
        const auto value = text.isEmpty() ? std::optional<double>(1) : ReadNumber(text);
        accepted = value && *value == std::floor(*value) && *value >= 1 && *value <= 9;
        if (accepted)
            f.lanes = static_cast<int>(*value);
        break;
    }
    case SaturationColumn: {
        const auto value = text.isEmpty() ? std::optional<double>(kDefaultSaturation) : ReadNumber(text);
        accepted = value && *value >= 100 && *value <= 3600;
        if (accepted)
            f.saturation = *value;
        break;
    }
    default: return;
    }
    // The cell shows the value taken: the number as read, or the one before a refused text.
    m_filling = true;
    item->setText(InputText(d, item->column()));
    m_filling = false;
    if (accepted) {
        m_changed = true;
        emit inputsEdited();
    }
    Recompute();
    if (!accepted) {
        static const char* const kLimits[] = {"интенсивность 0..20000 авт/ч", "число полос 1..9",
                                              "поток насыщения 100..3600 авт/ч на полосу"};
        m_check->setText(QStringLiteral("Направление %1: «%2» не %3, оставлено прежнее значение")
                             .arg(d)
                             .arg(text, QString::fromUtf8(kLimits[item->column()])));
        m_check->setStyleSheet(QStringLiteral("color: #a00000"));
    }
}

void CTimingWnd::Recompute()
{
    m_timing = ComputeTrafficTiming(m_configuration, m_inputs);
    const int program = std::clamp(m_inputs.program, 1, kProgramCount);
    m_write->setText(QStringLiteral("Записать в программу %1").arg(program));
    m_phaseTable->setRowCount(0);
    m_resultTable->setRowCount(0);
    m_check->setStyleSheet(QString());
    if (!m_timing.Ok()) {
        m_summary->setText(QString::fromStdString(m_timing.error));
        m_warnings->clear();
        m_check->clear();
        m_write->setEnabled(false);
        return;
    }
    QString summary = QStringLiteral("Y = %1    L = %2 с    цикл %3 с").arg(Decimal(m_timing.Y, 3)).arg(m_timing.lostTime).arg(m_timing.cycle);
    if (m_timing.websterCycle > 0)
        summary += QStringLiteral(" (по Вебстеру %1 с)").arg(Decimal(m_timing.websterCycle, 1));
    m_summary->setText(summary);

    bool differs = false;
    m_phaseTable->setRowCount(static_cast<int>(m_timing.phases.size()));
    for (int row = 0; row < static_cast<int>(m_timing.phases.size()); ++row) {
        const PhaseTiming& p = m_timing.phases[static_cast<std::size_t>(row)];
        m_phaseTable->setItem(row, 0, Fixed(QString::number(p.phase)));
        m_phaseTable->setItem(row, 1, Fixed(Decimal(p.y, 3)));
        m_phaseTable->setItem(row, 2, Fixed(p.criticalDirection ? QString::number(p.criticalDirection) : QStringLiteral("-")));
        m_phaseTable->setItem(row, 3, Fixed(QString::number(p.minimum)));
        m_phaseTable->setItem(row, 4, Fixed(QString::number(p.oldDuration)));
        m_phaseTable->setItem(row, 5, Fixed(QString::number(p.duration)));
        differs = differs || p.duration != p.oldDuration;
    }
    m_resultTable->setRowCount(static_cast<int>(m_timing.directions.size()));
    for (int row = 0; row < static_cast<int>(m_timing.directions.size()); ++row) {
        const DirectionTiming& d = m_timing.directions[static_cast<std::size_t>(row)];
        const QString none = QStringLiteral("-");
        QTableWidgetItem* items[] = {
            Fixed(QString::number(d.direction)),
            Fixed(Decimal(d.flow, 0)),
            Fixed(d.served ? QString::number(d.green) : none),
            Fixed(d.served ? Decimal(d.capacity, 0) : none),
            Fixed(d.served ? Decimal(d.degreeOfSaturation, 2) : none),
            Fixed(d.served ? Decimal(d.delay, 1) : none),
            Fixed(QString(QLatin1Char(d.los))),
        };
        items[LosColumn]->setTextAlignment(Qt::AlignCenter);
        for (int column = DirectionColumn; column <= LosColumn; ++column) {
            if (d.flow > 0 || !d.served)
                items[column]->setBackground(LevelColour(d.los));
            m_resultTable->setItem(row, column, items[column]);
        }
        items[LosColumn]->setToolTip(QStringLiteral("Уровень обслуживания по задержке: A до 10 с, B до 20, C до 35, D до 55, E до 80, F больше"));
    }

    QStringList warnings;
    for (const std::string& w : m_timing.warnings)
        warnings << QString::fromStdString(w);
    m_warnings->setText(warnings.join(QLatin1Char('\n')));

    // What the check would say of the program with these durations.
    int errors = 0;
    for (const Finding& f : ConfigurationCheck(WithTiming(m_configuration, m_timing)))
        if (f.severity == Severity::Error && f.program.value_or(program) == program)
            ++errors;
    m_check->setText(errors == 0 ? QStringLiteral("Проверка с рассчитанными длительностями: ошибок в программе %1 нет").arg(program)
                                 : QStringLiteral("Проверка с рассчитанными длительностями: ошибок в программе %1: %2")
                                       .arg(program)
                                       .arg(errors));
    m_write->setEnabled(differs && static_cast<bool>(m_writer));
}

void CTimingWnd::WriteProgram()
{
    if (!m_timing.Ok() || !m_writer)
        return;
    const Configuration planned = WithTiming(m_configuration, m_timing);
    if (m_writer(m_timing.program, planned)) {
        m_configuration = m_source ? m_source() : planned;
        Recompute();
    }
}

} // namespace vlk
