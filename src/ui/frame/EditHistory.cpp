#include "frame/EditHistory.h"

#include "config/ConfigurationImage.h"
#include "frame/Tabs.h"
#include "grid/ARecordList.h"
#include "pages/ConfigPages.h"
#include "pages/PageEdits.h"
#include "pages/PageGrids.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QUndoCommand>

#include <optional>
#include <vector>

namespace vlk {

namespace {

// The grids and number fields of the configuration.
std::vector<ARecordList*> ConfigurationGrids(CTabs& tabs)
{
    CDirectionWnd& directions = tabs.DirectionPage();
    std::vector<ARecordList*> grids{directions.PhaseMinTime(),         directions.Directions(),
                                    tabs.ProgramPage().Programs(),     tabs.OutputPage().LampOutput(),
                                    tabs.OutputPage().WaitBoard(),     tabs.MeasurePage().RedSensor(),
                                    tabs.MeasurePage().GreenSensor(),  tabs.ConfigPage().MinSignalTime(),
                                    tabs.ConfigPage().InterGreen()};
    std::erase(grids, nullptr);
    return grids;
}

std::vector<QLineEdit*> NumberFields(CTabs& tabs)
{
    std::vector<QLineEdit*> fields{tabs.DirectionPage().CircularRed(), tabs.DirectionPage().SyncDelay()};
    std::erase(fields, nullptr);
    return fields;
}

// The cells and fields that show a value of 0 as an empty text, the rest of the configuration's
// number cells and fields, in one order: the look that a value alone does not tell (a fresh
// station, a file and the controller memory show zeros differently).
std::vector<bool> TakeBlanks(CTabs& tabs)
{
    std::vector<bool> blanks;
    blanks.reserve(8192);
    for (ARecordList* grid : ConfigurationGrids(tabs))
        for (int r = 0; r < grid->GetRowCount(); ++r)
            for (int c = 0; c < grid->GetColumnCount(); ++c)
                if ((grid->GetColumnFlags(c) & RLC_CHECK) == 0)
                    blanks.push_back(grid->GetCellText(r, c).isEmpty());
    for (QLineEdit* field : NumberFields(tabs))
        blanks.push_back(field->text().isEmpty());
    return blanks;
}

// Shows each zero as the blanks say; every other value stays as the configuration's writing put it.
void ApplyBlanks(CTabs& tabs, const std::vector<bool>& blanks)
{
    std::size_t i = 0;
    const auto look = [&](const QString& text, std::uint8_t value) -> std::optional<QString> {
        if (i >= blanks.size() || value != 0)
            return std::nullopt;
        const bool blank = blanks[i];
        if (blank == text.isEmpty())
            return std::nullopt;
        return blank ? QString() : QStringLiteral("0");
    };
    for (ARecordList* grid : ConfigurationGrids(tabs))
        for (int r = 0; r < grid->GetRowCount(); ++r)
            for (int c = 0; c < grid->GetColumnCount(); ++c) {
                if ((grid->GetColumnFlags(c) & RLC_CHECK) != 0)
                    continue;
                const QString text = grid->GetCellText(r, c);
                if (auto wanted = look(text, CellByte(text.toStdString())))
                    grid->SetCellText(r, c, *wanted);
                ++i;
            }
    for (QLineEdit* field : NumberFields(tabs)) {
        const QString text = field->text();
        const auto value = static_cast<std::uint8_t>(PageGrids::DialogItemInt(text).value_or(0) & 0xFF);
        if (auto wanted = look(text, value))
            field->setText(*wanted);
        ++i;
    }
}

} // namespace

// One step: the states before and after. The change is already in the pages when the step is
// pushed, so its first redo does nothing.
class EditHistory::Step final : public QUndoCommand {
public:
    Step(EditHistory& history, const QString& action, StatePtr before, StatePtr after, int field)
        : QUndoCommand(action), m_history(history), m_before(std::move(before)), m_after(std::move(after)),
          m_field(field)
    {
    }
    ~Step() override
    {
        if (m_history.m_typing == this)
            m_history.m_typing = nullptr;
    }

    void undo() override { m_history.Apply(m_before); }
    void redo() override
    {
        if (m_pushed)
            m_history.Apply(m_after);
        m_pushed = true;
    }
    // Qt merges only steps of the same id; each field has its own.
    [[nodiscard]] int id() const override { return m_field; }
    bool mergeWith(const QUndoCommand* other) override
    {
        if (m_history.m_typing != this)
            return false;
        m_after = static_cast<const Step*>(other)->m_after;
        // Typed back to what it was: the step is dropped.
        if (*m_after == *m_before)
            setObsolete(true);
        return true;
    }

private:
    EditHistory& m_history;
    StatePtr m_before;
    StatePtr m_after;
    int m_field;
    bool m_pushed = false;
};

EditHistory::EditHistory(CTabs& tabs, QObject* parent) : QObject(parent), m_tabs(tabs)
{
    m_last = Now();
    m_saved = m_last->configuration;
    connect(&m_tabs.Edits(), &PageEdits::configurationEdited, this, &EditHistory::Record);
    connect(&m_tabs.Edits(), &PageEdits::fieldFinished, this, [this] { m_typing = nullptr; });
    CDirectionWnd& directions = m_tabs.DirectionPage();
    for (QLineEdit* field : {directions.CircularRed(), directions.SyncDelay(), directions.AccountRecord()})
        if (field)
            field->installEventFilter(this);
}

bool EditHistory::eventFilter(QObject* watched, QEvent* event)
{
    // A field keeps Ctrl+Z and Ctrl+Y for its own typing; with nothing of its own to undo or redo
    // (the user has just come into it, or a click on the master check has put the focus there),
    // the keys undo and redo the station's steps.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* field = qobject_cast<QLineEdit*>(watched);
        const QKeyCombination combination = key->keyCombination();
        const bool undo = key->matches(QKeySequence::Undo) || combination == (Qt::CTRL | Qt::Key_Z);
        const bool redo = key->matches(QKeySequence::Redo) || combination == (Qt::CTRL | Qt::Key_Y);
        if (field && ((undo && !field->isUndoAvailable()) || (redo && !field->isRedoAvailable()))) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

EditHistory::~EditHistory()
{
    // The steps go before the history whose pointer they clear.
    m_stack.clear();
}

Configuration EditHistory::ReadPages() const
{
    return ConfigPages(m_tabs.Pages()).Read();
}

EditHistory::StatePtr EditHistory::Now() const
{
    return std::make_shared<const State>(State{ReadPages(), TakeBlanks(m_tabs)});
}

void EditHistory::Record(const QString& action, int field)
{
    StatePtr now = Now();
    if (*now == *m_last)
        return;
    const bool typing = field != PageEdits::NoField;
    StatePtr before = m_last;
    m_last = now;
    // Another kind of change ends a typing; a keystroke in another field does not join it (the
    // ids differ).
    if (!typing)
        m_typing = nullptr;
    auto* step = new Step(*this, action, std::move(before), std::move(now), typing ? field : -1);
    const int index = m_stack.index();
    // Either pushed as a new step, or merged into the typing step on top (and deleted).
    m_stack.push(step);
    if (typing && m_stack.index() > index)
        m_typing = step;
    emit configurationChanged();
}

void EditHistory::Apply(const StatePtr& state)
{
    {
        PageEdits::Quiet quiet(m_tabs.Edits());
        ConfigPages(m_tabs.Pages()).Write(state->configuration, LoadFlavour::File);
        ApplyBlanks(m_tabs, state->blanks);
    }
    m_last = state;
    emit configurationChanged();
}

bool EditHistory::Undo()
{
    if (!m_tabs.CommitEdits())
        return false;
    m_typing = nullptr;
    if (!m_stack.canUndo())
        return false;
    m_stack.undo();
    return true;
}

bool EditHistory::Redo()
{
    if (!m_tabs.CommitEdits())
        return false;
    m_typing = nullptr;
    if (!m_stack.canRedo())
        return false;
    m_stack.redo();
    return true;
}

EditHistory::StatePtr EditHistory::ApplyQuietly(const std::function<bool()>& apply, StatePtr& before)
{
    m_typing = nullptr;
    // What the pages really show, should anything have changed them unreported.
    before = Now();
    bool applied = false;
    {
        PageEdits::Quiet quiet(m_tabs.Edits());
        applied = apply();
    }
    return applied ? Now() : nullptr;
}

bool EditHistory::Load(const QString& action, const std::function<bool()>& apply)
{
    return Load(action, apply, [] { return true; });
}

bool EditHistory::Load(const QString& action, const std::function<bool()>& apply, const std::function<bool()>& keep)
{
    StatePtr before;
    StatePtr after = ApplyQuietly(apply, before);
    if (!after)
        return false;
    if (!keep()) {
        Apply(before);
        return false;
    }
    m_saved = after->configuration;
    m_last = after;
    if (*after != *before)
        m_stack.push(new Step(*this, action, std::move(before), std::move(after), -1));
    emit configurationChanged();
    return true;
}

bool EditHistory::Change(const QString& action, const std::function<bool()>& apply)
{
    StatePtr before;
    StatePtr after = ApplyQuietly(apply, before);
    if (!after || *after == *before)
        return false;
    m_last = after;
    m_stack.push(new Step(*this, action, std::move(before), std::move(after), -1));
    emit configurationChanged();
    return true;
}

void EditHistory::MarkSaved()
{
    m_saved = ReadPages();
}

bool EditHistory::Modified() const
{
    return ReadPages() != m_saved;
}

} // namespace vlk
