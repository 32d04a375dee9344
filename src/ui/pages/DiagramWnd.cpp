#include "pages/DiagramWnd.h"

#include "diagram/TimeBarLayout.h"
#include "diagram/TimeBarView.h"
#include "diagram/WeekBarView.h"
#include "diagram/WeekBarLayout.h"
#include "plan/ConfigurationCheck.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

namespace vlk {

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 6;

} // namespace

CDiagramWnd::CDiagramWnd(QWidget* parent) : AFormWnd(parent)
{
    m_programTitle = new QLabel(QStringLiteral("Программа:"), this);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int p = 1; p <= kProgramCount; ++p) {
        auto* button = new QToolButton(this);
        button->setText(QString::number(p));
        button->setCheckable(true);
        button->setChecked(p == m_program);
        button->setToolTip(QStringLiteral("Диаграмма программы %1").arg(p));
        group->addButton(button, p);
        m_buttons[p - 1] = button;
    }
    connect(group, &QButtonGroup::idClicked, this, &CDiagramWnd::SelectProgram);
    m_cycle = new QLabel(this);
    m_state = new QLabel(this);
    m_state->hide();
    m_weekTitle = new QLabel(QStringLiteral("Программы по дням недели:"), this);
    m_bars = new TimeBarView(this);
    m_week = new WeekBarView(this);
}

CDiagramWnd::~CDiagramWnd() = default;

void CDiagramWnd::SetSource(std::function<Configuration()> source)
{
    m_source = std::move(source);
    Refresh();
}

QToolButton* CDiagramWnd::ProgramButton(int program) const
{
    return program >= 1 && program <= kProgramCount ? m_buttons[program - 1] : nullptr;
}

void CDiagramWnd::SelectProgram(int program)
{
    if (program < 1 || program > kProgramCount)
        return;
    m_program = program;
    m_buttons[program - 1]->setChecked(true);
    // The configuration read last is still what the pages hold: only the diagram changes.
    TimeBarLayout layout = TimeBarLayout::Of(m_configuration, m_program, ConfigurationCheck(m_configuration));
    layout.SetReportedPhase(m_reportedProgram == m_program ? m_reportedPhase : 0);
    m_cycle->setText(layout.Empty() ? QStringLiteral("Цикл: нет")
                                    : QStringLiteral("Цикл: %1 с").arg(layout.CycleLength()));
    m_bars->SetLayout(std::move(layout));
    LayOut();
}

void CDiagramWnd::Refresh()
{
    // A hidden page rebuilds when it is shown.
    if (isVisible())
        Rebuild();
}

void CDiagramWnd::Rebuild()
{
    ++m_rebuilds;
    m_configuration = m_source ? m_source() : Configuration::FreshStart();
    m_week->SetLayout(WeekBarLayout::Of(m_configuration));
    SelectProgram(m_program);
}

void CDiagramWnd::SetReportedState(int program, int phase)
{
    if (program < 1 || program > kProgramCount)
        program = phase = 0;
    if (program == m_reportedProgram && phase == m_reportedPhase)
        return;
    m_reportedProgram = program;
    m_reportedPhase = phase;
    ShowReported();
}

void CDiagramWnd::ShowReported()
{
    for (int p = 1; p <= kProgramCount; ++p) {
        QFont font = m_buttons[p - 1]->font();
        font.setBold(p == m_reportedProgram);
        font.setUnderline(p == m_reportedProgram);
        m_buttons[p - 1]->setFont(font);
    }
    if (m_reportedProgram == 0) {
        m_state->clear();
        m_state->hide();
    } else {
        m_state->setText(QStringLiteral("Контроллер: программа %1, фаза %2").arg(m_reportedProgram).arg(m_reportedPhase));
        m_state->show();
    }
    TimeBarLayout layout = m_bars->Layout();
    layout.SetReportedPhase(m_reportedProgram == m_program ? m_reportedPhase : 0);
    m_bars->SetLayout(std::move(layout));
    LayOut();
}

void CDiagramWnd::showEvent(QShowEvent* event)
{
    AFormWnd::showEvent(event);
    // Whatever was edited on the other pages meanwhile.
    Rebuild();
}

void CDiagramWnd::resizeEvent(QResizeEvent* event)
{
    AFormWnd::resizeEvent(event);
    LayOut();
}

void CDiagramWnd::LayOut()
{
    const QFontMetrics metrics(font());
    const int line = metrics.height() + 8;
    const auto fit = [&](QLabel* label) { return metrics.horizontalAdvance(label->text()) + 4; };

    // The chooser and what the program's cycle and the controller say, on one line while it fits.
    int x = kMargin;
    const int y = kMargin;
    m_programTitle->setGeometry(x, y, fit(m_programTitle), line);
    x += m_programTitle->width() + kGap;
    const int button = std::max(line, metrics.horizontalAdvance(QStringLiteral("9")) + 14);
    for (QToolButton* b : m_buttons) {
        b->setGeometry(x, y, button, line);
        x += button + 2;
    }
    x += kGap * 2;
    int top = y + line + kGap;
    // What does not fit beside the buttons goes on a line of its own below them.
    bool wrapped = false;
    for (QLabel* label : {m_cycle, m_state}) {
        if (!label->isVisibleTo(this))
            continue;
        if (x + fit(label) > width() - kMargin) {
            if (!wrapped)
                top += line + kGap;
            wrapped = true;
            x = kMargin;
        }
        label->setGeometry(x, wrapped ? top - line - kGap : y, fit(label), line);
        x += label->width() + kGap * 2;
    }

    // The week takes what its seven rows want; the cycle's bars the rest.
    const int inner = std::max(0, width() - 2 * kMargin);
    const int weekHeight = static_cast<int>(WeekBarLayout::PreferredHeight(QFontMetricsF(font(), this))) + 8;
    const int bottom = height() - kMargin;
    const int weekTop = std::max(top, bottom - weekHeight);
    m_week->setGeometry(kMargin, weekTop, inner, std::max(0, bottom - weekTop));
    const int titleTop = std::max(top, weekTop - line);
    m_weekTitle->setGeometry(kMargin, titleTop, fit(m_weekTitle), line);
    m_bars->setGeometry(kMargin, top, inner, std::max(0, titleTop - kGap - top));
}

} // namespace vlk
