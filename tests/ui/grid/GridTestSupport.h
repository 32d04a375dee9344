#pragma once

#include "grid/ARecordList.h"
#include "grid/RecordListParent.h"
#include "support/WindowInput.h"

#include <QApplication>
#include <QElapsedTimer>
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
    void Show() { EXPECT_TRUE(ShowAndActivate(&form)); }
    QWidget* View() const { return grid->viewport(); }
    // A click or double click at the centre of a cell, through the form's window.
    void Click(int row, int col, Qt::MouseButton button = Qt::LeftButton) const
    {
        test::Click(View(), Centre(grid->GetCellRect(row, col)), button);
    }
    void DoubleClick(int row, int col) const { test::DoubleClick(View(), Centre(grid->GetCellRect(row, col))); }

    RecordingParent form;
    ARecordList* grid = nullptr;
};

} // namespace vlk::test
