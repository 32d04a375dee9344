#pragma once

#include "grid/ARecordList.h"
#include "grid/RecordListParent.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include <functional>
#include <vector>

namespace vlk::test {

// A form that records every notification of its grids and answers with a chosen result.
class RecordingParent : public QWidget, public RecordListParent {
public:
    struct Entry {
        RecordListNotification::Kind kind;
        int code;
        int row;
        int column;
        int state;
        QString text;
    };

    int OnRecordListNotify(ARecordList&, const RecordListNotification& n) override
    {
        entries.push_back({n.kind, n.code, n.row, n.column, n.state, n.text});
        if (onNotify)
            onNotify(n);
        if (n.code == -105)
            return vetoBegin;
        if (n.code == -101)
            return vetoCommit;
        return 0;
    }

    [[nodiscard]] std::vector<int> Codes() const
    {
        std::vector<int> codes;
        for (const auto& e : entries)
            codes.push_back(e.kind == RecordListNotification::Kind::SelectionCommand ? 1000 + e.code : e.code);
        return codes;
    }
    [[nodiscard]] const Entry* Last(int code) const
    {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            if (it->code == code && it->kind != RecordListNotification::Kind::SelectionCommand)
                return &*it;
        }
        return nullptr;
    }
    [[nodiscard]] int Count(int code) const
    {
        int n = 0;
        for (const auto& e : entries)
            n += e.code == code && e.kind != RecordListNotification::Kind::SelectionCommand;
        return n;
    }

    std::vector<Entry> entries;
    int vetoBegin = 0;
    int vetoCommit = 0;
    std::function<void(const RecordListNotification&)> onNotify;
};

// Polls until pred holds or a second has passed.
inline bool WaitFor(const std::function<bool()>& pred, int ms = 1000)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(5);
    }
    return true;
}

// Types one character the way a keyboard layout delivers it (QTest maps only ASCII).
inline void TypeChar(QWidget* widget, QChar c)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
}

inline QPoint Centre(const QRect& r)
{
    return QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2);
}

// A shown form with one grid filling it.
struct GridFixture {
    explicit GridFixture(QSize size = QSize(400, 200), unsigned style = 0x50000000)
    {
        form.resize(size);
        grid = new ARecordList;
        (void)grid->Create(style, QRect(QPoint(0, 0), size), &form, 1042);
    }
    void Show()
    {
        form.show();
        (void)QTest::qWaitForWindowExposed(&form);
        form.activateWindow();
        (void)QTest::qWaitForWindowActive(&form);
        QApplication::processEvents();
    }
    QWidget* View() const { return grid->viewport(); }
    void Click(int row, int col, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(View(), button, Qt::NoModifier, Centre(grid->GetCellRect(row, col)));
    }
    void DoubleClick(int row, int col)
    {
        QTest::mouseDClick(View(), Qt::LeftButton, Qt::NoModifier, Centre(grid->GetCellRect(row, col)));
    }

    RecordingParent form;
    ARecordList* grid = nullptr;
};

} // namespace vlk::test
