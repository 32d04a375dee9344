#pragma once

#include "config/Configuration.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <vector>

namespace vlk {

class CTabs;

// The station's one undo stack over the configuration the pages hold, and the memory of what
// was last opened, saved, read or written.
//
// Each step keeps the configuration before and after (with which of its zeros were shown empty),
// read from the pages whenever they report a user's change; undo and redo write it back into
// the pages, which stay on the page and cell the user was at. The keystrokes of one typing in a
// field make one step. A load is one step too. What undo, redo and loads write is never taken
// for a user's change.
class EditHistory : public QObject {
    Q_OBJECT
public:
    explicit EditHistory(CTabs& tabs, QObject* parent = nullptr);
    ~EditHistory() override;
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    [[nodiscard]] QUndoStack& Stack() { return m_stack; }

    // Undo and redo of the last step; an open cell editor is closed into its cell first (its
    // edit becoming the step undone). False when nothing was done.
    bool Undo();
    bool Redo();

    // Runs `apply` (which shows a configuration from a file or the controller in the pages and
    // says whether it did) as one step named `action`; what it shows becomes the saved state.
    bool Load(const QString& action, const std::function<bool()>& apply);
    // The same, with the user's word after the pages show it: when `keep` says no, the pages go
    // back to what they held before, with nothing added to the history, and the result is false.
    bool Load(const QString& action, const std::function<bool()>& apply, const std::function<bool()>& keep);
    // Runs `apply` (a change the station makes for the user, such as computed durations written
    // into a program) as one step named `action`; unlike a load it is not saved.
    bool Change(const QString& action, const std::function<bool()>& apply);
    // What the pages hold now has been saved or written.
    void MarkSaved();
    // True when the pages hold another configuration than the one last opened, saved, read or
    // written (at start: the fresh one).
    [[nodiscard]] bool Modified() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // After any change of the configuration in the pages: the user's, a load, an undo, a redo.
    void configurationChanged();

private:
    class Step;
    struct State {
        Configuration configuration;
        std::vector<bool> blanks; // per number cell and field: a zero shown as an empty text
        bool operator==(const State&) const = default;
    };
    using StatePtr = std::shared_ptr<const State>;

    void Record(const QString& action, int field);
    void Apply(const StatePtr& state);
    [[nodiscard]] Configuration ReadPages() const;
    [[nodiscard]] StatePtr Now() const;
    // Runs `apply` with the pages' change reports held back; the state after it, or null when it
    // refused. `before` gets the state before it.
    StatePtr ApplyQuietly(const std::function<bool()>& apply, StatePtr& before);

    CTabs& m_tabs;
    QUndoStack m_stack;
    StatePtr m_last;               // what the pages held after the last step or load
    Configuration m_saved;         // what was last opened, saved, read or written
    Step* m_typing = nullptr;      // the field step that further keystrokes join, if any
};

} // namespace vlk
