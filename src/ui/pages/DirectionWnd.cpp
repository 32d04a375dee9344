#include "pages/DirectionWnd.h"

#include "forms/UpDownControl.h"
#include "grid/ARecordList.h"
#include "pages/PageGrids.h"
#include "util/Cp1251.h"
#include "util/Messages.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

#include <stdexcept>
#include <string>
#include <string_view>

namespace vlk {

namespace {

// Refuses any text holding a character that Windows-1251 cannot store, so the account record
// always fits its 8-bit form; text set by a load is converted from that form and always fits.
class Cp1251Validator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return Cp1251::FromUtf8(input.toStdString()).text ? Acceptable : Invalid;
    }
};

// The page's field of that name in the catalogue (every one of them is there).
const FieldInfo& FieldOf(std::string_view name)
{
    for (const FieldInfo& field : Catalogue::Fields())
        if (field.page == PageId::Directions && field.name == name)
            return field;
    throw std::logic_error("no field " + std::string(name) + " on the directions page");
}

} // namespace

CDirectionWnd::CDirectionWnd(Messages& messages, QWidget* parent)
    : AFormWnd(Catalogue::Page(PageId::Directions), parent), m_ownerMessages(messages), m_messages(&messages)
{
    m_master = Item<QCheckBox>(FieldOf("MasterController").control);
    m_syncDelay = Item<QLineEdit>(FieldOf("SyncDelay").control);
    m_syncCaption = Item<QLabel>(FieldOf("SyncDelay").captionControl);
    m_circularRed = Item<QLineEdit>(FieldOf("CircularRedTime").control);
    m_accountRecord = Item<QLineEdit>(FieldOf("AccountRecord").control);
    m_spin = Item<UpDownControl>(PrioritySpinId);

    m_phaseMinTime = PageGrids::SetUp(*this, TableId::PhaseMinTime, messages);
    m_priority = PageGrids::SetUp(*this, TableId::Priority, messages);
    if (m_master)
        m_master->setChecked(true);
    m_strip = PageGrids::SetUp(*this, TableId::DirectionGroupStrip, messages);
    m_directions = PageGrids::SetUp(*this, TableId::Direction, messages);
    // The strip is one header line; its scroll bars would only cover it.
    if (m_strip) {
        m_strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    for (ARecordList* grid : {m_phaseMinTime, m_priority, m_strip, m_directions})
        if (grid)
            grid->SetNotifyTarget(this);
    if (m_phaseMinTime)
        PageGrids::KeepRowsFilling(*m_phaseMinTime, 8);
    if (m_priority)
        PageGrids::KeepRowsFilling(*m_priority, 10);
    Refresh();

    if (m_master)
        connect(m_master, &QCheckBox::clicked, this, [this] { OnMasterToggle(); });
    if (m_spin)
        connect(m_spin, &UpDownControl::DeltaPos, this, [this](int delta) { OnPriorityMove(delta); });
    if (m_syncDelay)
        connect(m_syncDelay, &QLineEdit::textChanged, this,
                [this] { CheckLimit(m_syncDelay, 128, "Значение должно быть меньше 128"); });
    if (m_circularRed)
        connect(m_circularRed, &QLineEdit::textChanged, this,
                [this] { CheckLimit(m_circularRed, 256, "Значение должно быть меньше 256"); });
    if (m_accountRecord) {
        m_accountRecord->setValidator(new Cp1251Validator(m_accountRecord));
        connect(m_accountRecord, &QLineEdit::textChanged, this, [this] { CheckAccountRecord(); });
    }
}

CDirectionWnd::~CDirectionWnd() = default;

void CDirectionWnd::SetMessages(Messages* messages)
{
    m_messages = messages ? messages : &m_ownerMessages;
}

Messages& CDirectionWnd::PageMessages() const
{
    return *m_messages;
}

void CDirectionWnd::Refresh()
{
    if (m_priority)
        for (int r = 0; r < m_priority->GetRowCount(); ++r)
            m_priority->SetCellText(r, 0, QString::number(r + 1));
    const bool master = m_master && m_master->isChecked();
    if (m_syncDelay)
        m_syncDelay->setReadOnly(master);
    if (m_syncCaption)
        m_syncCaption->setEnabled(!master);
}

void CDirectionWnd::OnMasterToggle()
{
    Refresh();
    if (m_master && !m_master->isChecked() && m_syncDelay)
        m_syncDelay->setFocus(Qt::OtherFocusReason);
}

void CDirectionWnd::OnPriorityMove(int delta)
{
    if (!m_priority)
        return;
    m_priority->setFocus(Qt::OtherFocusReason);
    const int row = m_priority->GetCurSel();
    if (row < 0)
        return;
    if (m_priority->GetCellText(row, 1) == QStringLiteral("РП")) {
        m_messages->Show("Изменение приоритета «РП» недопустимо", MessageIcon::Stop);
        return;
    }
    const int target = row + delta;
    // The last row belongs to "РП".
    if (target < 0 || target >= m_priority->GetRowCount() - 1)
        return;
    m_priority->MoveRow(row, target);
    m_priority->SetCurSel(target);
    Refresh();
    emit priorityMoved();
}

void CDirectionWnd::CheckLimit(QLineEdit* edit, long long limit, const char* message)
{
    const std::optional<long long> value = PageGrids::DialogItemInt(edit->text());
    // A negative value compares as a huge unsigned one; a value beyond 32 bits is refused too,
    // rather than read as 0 and then stored cut to its low byte.
    if (value && *value >= 0 && *value < limit)
        return;
    m_messages->Show(message);
    edit->setText(QStringLiteral("0"));
}

void CDirectionWnd::CheckAccountRecord()
{
    const QString text = m_accountRecord->text();
    if (text.size() <= AccountRecordKept)
        return;
    m_messages->Show("Должно быть не более 115 символов");
    m_accountRecord->setText(text.left(AccountRecordKept));
}

int CDirectionWnd::OnRecordListNotify(ARecordList&, const RecordListNotification&)
{
    return 0;
}

void CDirectionWnd::resizeEvent(QResizeEvent* event)
{
    AFormWnd::resizeEvent(event);
    LayoutGrids();
}

void CDirectionWnd::LayoutGrids()
{
    if (m_strip && m_directions)
        PageGrids::PlaceStripAbove(*m_strip, *m_directions);
}

} // namespace vlk
