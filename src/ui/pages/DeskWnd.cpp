#include "pages/DeskWnd.h"
#include "pages/PageGrids.h"

#include "config/Catalogue.h"
#include "grid/ARecordList.h"
#include "grid/Pictures.h"
#include "pages/DeskImages.h"
#include "util/NumberText.h"

#include <QComboBox>
#include <QLabel>
#include <QPalette>
#include <QLineEdit>
#include <QTimer>

#include <array>
#include <climits>

namespace vlk {

namespace {

const std::array<QString, 7> kDayNames{
    QStringLiteral("Понедельник"), QStringLiteral("Вторник"), QStringLiteral("Среда"),   QStringLiteral("Четверг"),
    QStringLiteral("Пятница"),     QStringLiteral("Суббота"), QStringLiteral("Воскресенье")};

const QString kLampOn[] = {QStringLiteral("К"), QStringLiteral("Ж"), QStringLiteral("З")};
const QString kOff = QStringLiteral(" ");
const QString kFailure = QStringLiteral("А");
const QString kNoFailure = QStringLiteral("Н");

// A field read as a signed integer the way the worker reads it: leading blanks, a sign, the
// digits up to the first other character; 0 when there are none.
int LeadingInteger(const QString& text)
{
    // Any Unicode blank leads; typed nonsense is held at the limit rather than overflowing.
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    return NumberText::LeadingIntSymmetric(text.mid(i).toStdString());
}

QString TwoDigits(int value)
{
    return value < 10 ? QStringLiteral("0%1").arg(value) : QString::number(value);
}

} // namespace

CDeskWnd::CDeskWnd(QWidget* parent) : AFormWnd(parent)
{
    // The pictures first: the template's picture statics load theirs while they are built.
    RegisterDeskImages();
    CreateDlgItems(TemplateId);
    const QSize reference = FrameReferenceSize(LowestFrameId, TopFrameId);
    StoreLayout(reference.width(), reference.height());

    SetUpGrids();
    SetUpFields();
    SetUpTips();
    connect(this, &AFormWnd::ItemClicked, this, &CDeskWnd::OnItemClicked);
    ShowControlLock();
}

CDeskWnd::~CDeskWnd() = default;

void CDeskWnd::SetUpGrids()
{
    m_stateGrid = dynamic_cast<ARecordList*>(GetDlgItem(StateGridId));
    m_lightsGrid = dynamic_cast<ARecordList*>(GetDlgItem(LightsGridId));
    m_sensorsGrid = dynamic_cast<ARecordList*>(GetDlgItem(SensorsGridId));
    const std::pair<ARecordList*, TableId> grids[] = {{m_stateGrid, TableId::ConsoleState},
                                                      {m_lightsGrid, TableId::ConsoleLights},
                                                      {m_sensorsGrid, TableId::ConsoleSensors}};
    for (const auto& [grid, table] : grids)
        if (grid)
            PageGrids::SetUp(*grid, Catalogue::Grid(table));
}

void CDeskWnd::SetUpTips()
{
    // What each button makes the station send: the operator sees it before the controller does.
    const auto tip = [this](int id, const QString& text) {
        if (QWidget* item = GetDlgItem(id))
            item->setToolTip(text);
    };
    tip(ToggleId, QStringLiteral("Взять управление у контроллера: в ответ на каждый кадр команда 0x40. Повторное "
                                 "нажатие отдаёт управление контроллеру: команда 0x00"));
    for (int phase = 1; phase <= 8; ++phase)
        tip(kCommandImages[static_cast<std::size_t>(phase - 1)].control,
            QStringLiteral("Вызов фазы %1: в ответ на каждый кадр команда 0x%2 (когда управление взято)")
                .arg(phase)
                .arg(QString::number(command::CallPhase(phase), 16).toUpper()));
    tip(kCommandImages[8].control, QStringLiteral("«ЖМ», жёлтое мигание: в ответ на каждый кадр команда 0x50 (когда "
                                                  "управление взято)"));
    tip(kCommandImages[9].control, QStringLiteral("«ОС», отключение светофоров: в ответ на каждый кадр команда 0x60 "
                                                  "(когда управление взято)"));
    tip(TakeClockId, QStringLiteral("Взять время и день этого компьютера в поля ниже; контроллеру ничего не "
                                    "отправляется"));
    tip(SendClockId, QStringLiteral("Отправить контроллеру время и день из полей: после следующего кадра сообщение "
                                    "часов (минуты, часы, день)"));
}

void CDeskWnd::SetUpFields()
{
    SetText(DayId, kDayNames[0]);
    SetText(HoursId, QStringLiteral("00"));
    SetText(MinutesId, QStringLiteral("00"));
    if (auto* days = Item<QComboBox>(SendDayId)) {
        for (const QString& day : kDayNames)
            days->addItem(day);
        days->setCurrentIndex(-1);
        connect(days, &QComboBox::currentIndexChanged, this, [this] { RememberClockFields(); });
    }
    for (int id : {SendHoursId, SendMinutesId})
        if (auto* edit = Item<QLineEdit>(id))
            connect(edit, &QLineEdit::textChanged, this, [this] { RememberClockFields(); });
    RememberClockFields();
}

// ---- the worker's side ------------------------------------------------------------------------

void CDeskWnd::ShowCleared(const FrameBytes& frame)
{
    m_lineLost = false;
    const StateFrame decoded = DecodeStateFrame(frame);
    for (int g = 0; g < kFrameGroupCount; ++g)
        ShowGroupText(static_cast<FrameGroup>(g), decoded, true);
    emit StateShown(0, 0);
    update();
}

void CDeskWnd::RememberClockFields()
{
    ClockFields fields;
    if (const auto* edit = Item<QLineEdit>(SendHoursId))
        fields.hours = LeadingInteger(edit->text());
    if (const auto* edit = Item<QLineEdit>(SendMinutesId))
        fields.minutes = LeadingInteger(edit->text());
    if (const auto* days = Item<QComboBox>(SendDayId))
        fields.day = days->currentIndex();
    m_sink.SetClockFields(fields);
}

// ---- the display mapping ----------------------------------------------------------------------

void CDeskWnd::ShowFrame(const StateFrame& frame)
{
    for (int g = 0; g < kFrameGroupCount; ++g)
        ShowFrameGroup(static_cast<FrameGroup>(g), frame);
    update();
}

void CDeskWnd::ShowFrameGroup(FrameGroup group, const StateFrame& frame)
{
    ShowGroupText(group, frame, false);
    if (group == FrameGroup::Phases || group == FrameGroup::DayProgram) {
        if (m_lineLost)
            emit StateShown(0, 0);
        else
            emit StateShown(frame.program, frame.currentPhase);
    }
}

void CDeskWnd::SetLineLost(bool lost)
{
    m_lineLost = lost;
    if (lost) {
        ShowUnknownFields();
        emit StateShown(0, 0);
    }
}

void CDeskWnd::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (const int id : {SendHoursId, SendMinutesId, SendDayId})
        if (QWidget* field = GetDlgItem(id))
            field->setEnabled(!readOnly);
}

void CDeskWnd::ShowUnknownFields()
{
    static const QString kUnknown = QStringLiteral("—");
    for (const int id : {CurrentPhaseId, CalledPhaseId, PriorityId, DayId, ProgramId, HoursId, MinutesId})
        SetText(id, kUnknown);
}

void CDeskWnd::ShowGroupText(FrameGroup group, const StateFrame& frame, bool clearing)
{
    const auto lamps = [](ARecordList* grid, int row, const auto& flags, const QString& on, const QString& off) {
        if (!grid)
            return;
        for (std::size_t i = 0; i < flags.size(); ++i)
            grid->SetCellText(row, static_cast<int>(i) + 1, flags[i] ? on : off);
    };
    // Nothing is known of a lost controller: no zeros that look like a state it is in.
    static const QString kUnknown = QStringLiteral("—");
    if (m_lineLost && !clearing) {
        switch (group) {
        case FrameGroup::Phases:
            SetText(CurrentPhaseId, kUnknown);
            SetText(CalledPhaseId, kUnknown);
            return;
        case FrameGroup::Priority:
            SetText(PriorityId, kUnknown);
            return;
        case FrameGroup::DayProgram:
            SetText(DayId, kUnknown);
            SetText(ProgramId, kUnknown);
            return;
        case FrameGroup::Hours:
            SetText(HoursId, kUnknown);
            return;
        case FrameGroup::Minutes:
            SetText(MinutesId, kUnknown);
            return;
        default:
            break;
        }
    }
    switch (group) {
    case FrameGroup::Status:
        if (m_stateGrid)
            for (int bit = 0; bit < 8; ++bit)
                m_stateGrid->SetCellText(bit, 1, frame.status[static_cast<std::size_t>(bit)] ? kLampOn[0] : kOff);
        break;
    case FrameGroup::Phases:
        SetText(CurrentPhaseId, QString::number(frame.currentPhase));
        SetText(CalledPhaseId, QString::number(frame.calledPhase));
        break;
    case FrameGroup::Priority:
        SetText(PriorityId, QString::number(frame.priority));
        break;
    case FrameGroup::DayProgram:
        // A day value of 7..15 names no day: the field keeps what it shows.
        if (frame.Day() != kNoDay) {
            const QString& name = kDayNames[static_cast<std::size_t>(frame.Day())];
            SetText(DayId, clearing ? name.toLower() : name);
        }
        SetText(ProgramId, QString::number(frame.program));
        break;
    case FrameGroup::Hours:
        SetText(HoursId, clearing ? QString::number(frame.hours) : TwoDigits(frame.hours));
        break;
    case FrameGroup::Minutes:
        SetText(MinutesId, clearing ? QString::number(frame.minutes) : TwoDigits(frame.minutes));
        break;
    case FrameGroup::Failures:
        lamps(m_lightsGrid, 3, frame.failure, kFailure, kNoFailure);
        break;
    case FrameGroup::Red:
        lamps(m_lightsGrid, 0, frame.red, kLampOn[0], kOff);
        break;
    case FrameGroup::Yellow:
        lamps(m_lightsGrid, 1, frame.yellow, kLampOn[1], kOff);
        break;
    case FrameGroup::Green:
        lamps(m_lightsGrid, 2, frame.green, kLampOn[2], kOff);
        break;
    case FrameGroup::RedSensors:
        lamps(m_sensorsGrid, 0, frame.redSensorL1, kLampOn[0], kOff);
        lamps(m_sensorsGrid, 1, frame.redSensorL2, kLampOn[0], kOff);
        break;
    case FrameGroup::GreenSensors:
        lamps(m_sensorsGrid, 2, frame.greenSensor, kLampOn[2], kOff);
        break;
    }
}

void CDeskWnd::SetText(int id, const QString& text)
{
    if (auto* edit = Item<QLineEdit>(id))
        edit->setText(text);
}

// ---- the operator's controls ------------------------------------------------------------------

void CDeskWnd::OnItemClicked(int id)
{
    // A replayed recording is history: nothing on the page commands the controller.
    if (m_readOnly)
        return;
    if (id == TakeClockId)
        OnTakeClock();
    else if (id == SendClockId)
        OnSendClock();
    else if (id == ToggleId)
        OnToggleControl();
    else
        OnCommandButton(id);
}

void CDeskWnd::OnCommandButton(int id)
{
    for (const CommandImages& button : kCommandImages) {
        if (button.control != id)
            continue;
        if (m_controlLocked != 0)
            return;
        const int index = static_cast<int>(&button - kCommandImages.data());
        // Phases 1-8 call 0x41-0x48; then "ЖМ" and "ОС".
        const std::uint8_t byte = index < 8 ? command::CallPhase(index + 1)
                                  : index == 8 ? command::kYellowFlashing
                                               : command::kLightsOff;
        m_sink.CommandByte() = byte;
        ShowPressed(id, button.pressed);
        if (index < 8)
            emit OperatorCommand(QStringLiteral("phase-call"), QStringLiteral("Вызов фазы %1").arg(index + 1));
        else if (index == 8)
            emit OperatorCommand(QStringLiteral("yellow-flashing"), QStringLiteral("ЖМ"));
        else
            emit OperatorCommand(QStringLiteral("all-red"), QStringLiteral("ОС"));
        return;
    }
}

void CDeskWnd::OnToggleControl()
{
    m_controlLocked = m_controlLocked != 0 ? 0 : 1;
    m_sink.CommandByte() = m_controlLocked != 0 ? command::kNone : command::kOperatorControl;
    ShowControlLock();
    if (m_controlLocked != 0)
        emit OperatorCommand(QStringLiteral("control-released"), QStringLiteral("Управление передано контроллеру"));
    else
        emit OperatorCommand(QStringLiteral("control-taken"), QStringLiteral("Управление взято оператором"));
}

void CDeskWnd::ResetControl()
{
    m_controlLocked = 1;
    m_sink.CommandByte() = command::kNone;
    ShowControlLock();
}

void CDeskWnd::ShowControlLock()
{
    SetItemBitmap(ToggleId, Image(m_controlLocked != 0 ? DeskImage::ControlLocked : DeskImage::ControlOperator));
    for (const CommandImages& button : kCommandImages)
        SetItemBitmap(button.control, Image(m_controlLocked != 0 ? button.locked : button.normal));
    Relayout();
    UpdateRowHeights();
}

void CDeskWnd::OnTakeClock()
{
    const QDateTime now = m_now ? m_now() : QDateTime::currentDateTime();
    SetText(SendHoursId, now.toString(QStringLiteral("HH")));
    if (auto* edit = GetDlgItem(SendHoursId))
        edit->repaint();
    SetText(SendMinutesId, now.toString(QStringLiteral("mm")));
    if (auto* edit = GetDlgItem(SendMinutesId))
        edit->repaint();
    if (auto* days = Item<QComboBox>(SendDayId))
        days->setCurrentIndex(now.date().dayOfWeek() - 1); // Qt counts Monday 1 .. Sunday 7
    ShowPressed(TakeClockId, DeskImage::TakeClockPressed);
}

void CDeskWnd::OnSendClock()
{
    m_sink.SendClockFlag() = 1;
    ShowPressed(SendClockId, DeskImage::SendClockPressed);
    const auto* hours = Item<QLineEdit>(SendHoursId);
    const auto* minutes = Item<QLineEdit>(SendMinutesId);
    const auto* days = Item<QComboBox>(SendDayId);
    emit OperatorCommand(QStringLiteral("clock"), QStringLiteral("Время %1:%2, %3")
                                                      .arg(hours ? hours->text() : QString(),
                                                           minutes ? minutes->text() : QString(),
                                                           days ? days->currentText() : QString()));
}

void CDeskWnd::ShowPressed(int id, int pressed)
{
    SetItemBitmap(id, Image(pressed));
    // The resting picture comes back without holding the UI thread, so the worker's updates keep
    // flowing; only the latest press of a button restores it.
    auto* label = GetDlgItem(id);
    if (!label)
        return;
    const int serial = label->property("vlkPressSerial").toInt() + 1;
    label->setProperty("vlkPressSerial", serial);
    QTimer::singleShot(PressedLook, this, [this, id, serial] {
        const auto* window = GetDlgItem(id);
        if (window && window->property("vlkPressSerial").toInt() == serial)
            ShowResting(id);
    });
}

void CDeskWnd::ShowResting(int id)
{
    if (id == TakeClockId) {
        SetItemBitmap(id, Image(DeskImage::TakeClock));
        return;
    }
    if (id == SendClockId) {
        SetItemBitmap(id, Image(DeskImage::SendClock));
        return;
    }
    for (const CommandImages& button : kCommandImages)
        if (button.control == id)
            SetItemBitmap(id, Image(m_controlLocked != 0 ? button.locked : button.normal));
}

QPixmap CDeskWnd::Image(int imageId) const
{
    return Pictures::Pixmap(imageId, devicePixelRatioF());
}

// ---- layout -----------------------------------------------------------------------------------

void CDeskWnd::resizeEvent(QResizeEvent* event)
{
    AFormWnd::resizeEvent(event);
    UpdateRowHeights();
    PlaceExchangeNote();
}

void CDeskWnd::SetExchangeNote(const QString& text)
{
    if (text.isEmpty()) {
        if (m_exchangeNote)
            m_exchangeNote->hide();
        return;
    }
    if (!m_exchangeNote) {
        m_exchangeNote = new QLabel(this);
        m_exchangeNote->setObjectName(QStringLiteral("exchangeNote"));
        m_exchangeNote->setAlignment(Qt::AlignCenter);
        m_exchangeNote->setWordWrap(true);
        m_exchangeNote->setAutoFillBackground(true);
        m_exchangeNote->setFrameShape(QFrame::Box);
        QPalette palette = m_exchangeNote->palette();
        palette.setColor(QPalette::Window, QColor(255, 241, 168));
        palette.setColor(QPalette::WindowText, Qt::black);
        m_exchangeNote->setPalette(palette);
        QFont font = m_exchangeNote->font();
        font.setBold(true);
        m_exchangeNote->setFont(font);
    }
    m_exchangeNote->setText(text);
    PlaceExchangeNote();
    m_exchangeNote->show();
    m_exchangeNote->raise();
}

void CDeskWnd::PlaceExchangeNote()
{
    if (!m_exchangeNote)
        return;
    const int margin = 8;
    const int span = width() - 2 * margin;
    m_exchangeNote->setGeometry(margin, margin, span, m_exchangeNote->heightForWidth(span) + 2 * margin);
}

void CDeskWnd::UpdateRowHeights()
{
    const std::pair<ARecordList*, int> grids[] = {{m_stateGrid, 8}, {m_lightsGrid, 4}, {m_sensorsGrid, 3}};
    for (const auto& [grid, rows] : grids) {
        if (!grid)
            continue;
        const int client = grid->contentsRect().height();
        if (grid == m_stateGrid && client <= 0)
            continue;
        // Rows share the client height below the header, the remainder dropped; never below one pixel.
        grid->SetRowHeight(qMax(1, (client - grid->GetHeaderHeight()) / rows));
    }
}

} // namespace vlk
