#include "frame/ReplayBar.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace vlk {

namespace {

QToolButton* Button(QWidget* parent, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

} // namespace

ReplayBar::ReplayBar(QWidget* parent) : QToolBar(QStringLiteral("Запись"), parent)
{
    setObjectName(QStringLiteral("ReplayBar"));
    setMovable(false);
    m_previous = Button(this, QStringLiteral("◀ Событие"), QStringLiteral("К предыдущему событию"));
    m_play = Button(this, QStringLiteral("Пуск"), QStringLiteral("Воспроизвести или остановить запись"));
    m_next = Button(this, QStringLiteral("Событие ▶"), QStringLiteral("К следующему событию"));
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("ReplaySpeed"));
    for (const int speed : kSpeeds)
        m_speed->addItem(QStringLiteral("%1×").arg(speed), speed);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("ReplaySlider"));
    m_slider->setMinimumWidth(200);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(60);
    m_time = new QLabel(this);
    m_time->setMinimumWidth(130);
    m_close = Button(this, QStringLiteral("Закрыть запись"), QStringLiteral("Вернуть пульт к линии"));
    addWidget(m_previous);
    addWidget(m_play);
    addWidget(m_next);
    addWidget(m_speed);
    addWidget(m_slider);
    addWidget(m_time);
    addWidget(m_close);
    m_timer = new QTimer(this);
    m_timer->setInterval(kTickMs);

    connect(m_timer, &QTimer::timeout, this, &ReplayBar::Tick);
    connect(m_play, &QToolButton::clicked, this, [this] { Playing() ? Pause() : Play(); });
    connect(m_previous, &QToolButton::clicked, this, [this] { (void)PreviousEvent(); });
    connect(m_next, &QToolButton::clicked, this, [this] { (void)NextEvent(); });
    connect(m_close, &QToolButton::clicked, this, &ReplayBar::CloseRequested);
    connect(m_slider, &QSlider::valueChanged, this, [this](int seconds) {
        if (!m_sliding)
            Seek(Start() + std::int64_t{seconds} * 1000);
    });
    UpdatePlayButton();
}

ReplayBar::~ReplayBar() = default;

std::int64_t ReplayBar::Start() const
{
    return m_recording.records.empty() ? m_recording.header.startMs : m_recording.records.front().timeMs;
}

std::int64_t ReplayBar::End() const
{
    return m_recording.records.empty() ? Start() : m_recording.records.back().timeMs;
}

void ReplayBar::Open(Recording recording, std::vector<JunctionEvent> events)
{
    Pause();
    m_recording = std::move(recording);
    m_events = std::move(events);
    m_open = true;
    m_sliding = true;
    m_slider->setRange(0, static_cast<int>((End() - Start()) / 1000));
    m_sliding = false;
    Seek(Start());
}

void ReplayBar::Close()
{
    Pause();
    m_open = false;
    m_recording = {};
    m_events.clear();
}

void ReplayBar::Seek(std::int64_t timeMs)
{
    if (!m_open)
        return;
    m_position = std::clamp(timeMs, Start(), End());
    Show();
}

void ReplayBar::Show()
{
    m_sliding = true;
    m_slider->setValue(static_cast<int>((m_position - Start()) / 1000));
    m_sliding = false;
    m_time->setText(QDateTime::fromMSecsSinceEpoch(m_position).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    const auto& records = m_recording.records;
    const RecordEntry* record = nullptr;
    if (!records.empty() && records.front().timeMs <= m_position)
        record = &records[RecordAt(m_recording, m_position)];
    emit StateAt(record, m_position);
}

void ReplayBar::Play()
{
    if (!m_open)
        return;
    if (m_position >= End())
        m_position = Start();
    m_timer->start();
    UpdatePlayButton();
}

void ReplayBar::Pause()
{
    m_timer->stop();
    UpdatePlayButton();
}

bool ReplayBar::Playing() const { return m_timer->isActive(); }

void ReplayBar::SetSpeed(int speed)
{
    const int index = m_speed->findData(speed);
    if (index >= 0)
        m_speed->setCurrentIndex(index);
}

int ReplayBar::Speed() const { return m_speed->currentData().toInt(); }

void ReplayBar::Tick()
{
    const std::int64_t next = m_position + std::int64_t{kTickMs} * Speed();
    Seek(next);
    if (next >= End())
        Pause();
}

bool ReplayBar::PreviousEvent()
{
    // Strictly before the time shown, with a second's grace, so that pressing twice goes back twice.
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
        if (it->timeMs < m_position - 999) {
            Seek(it->timeMs);
            return true;
        }
    }
    return false;
}

bool ReplayBar::NextEvent()
{
    for (const JunctionEvent& e : m_events) {
        if (e.timeMs > m_position) {
            Seek(e.timeMs);
            return true;
        }
    }
    return false;
}

void ReplayBar::UpdatePlayButton() { m_play->setText(Playing() ? QStringLiteral("Пауза") : QStringLiteral("Пуск")); }

} // namespace vlk
