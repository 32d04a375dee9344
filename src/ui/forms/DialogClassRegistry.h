#pragma once

#include <QString>

#include <functional>
#include <vector>

class QRect;
class QWidget;

namespace vlk {

class AFormWnd;
struct DialogItem;

// Window classes that a template may name beyond the built-in controls, by name (compared
// without case). The grid registers "aRecordList" here, so the form builder needs no header of it.
class DialogClassRegistry {
public:
    // Makes the window of one template item inside `page` at `rect` (pixels), or returns nullptr.
    using Make = std::function<QWidget*(const DialogItem& item, const QRect& rect, AFormWnd& page)>;
    struct Creator {
        Make make;
        bool keepsOwnFont = false; // the builder leaves the window's font alone
    };

    [[nodiscard]] static DialogClassRegistry& Instance();

    void Register(const QString& name, Creator creator);
    void Unregister(const QString& name);
    [[nodiscard]] const Creator* Find(const QString& name) const;

private:
    DialogClassRegistry();

    struct Entry {
        QString name;
        Creator creator;
    };
    std::vector<Entry> m_entries;
};

} // namespace vlk
