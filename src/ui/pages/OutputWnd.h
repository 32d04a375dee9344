#pragma once

#include "forms/AFormWnd.h"

namespace vlk {

class ARecordList;
class Messages;

// "Привязка выходов": the outputs that drive each lamp of the directions and the «ЖДИТЕ» boards of the two call points.
class COutputWnd : public AFormWnd {
    Q_OBJECT
public:
    // The grids' editing messages go to `messages`, the owner's.
    explicit COutputWnd(Messages& messages, QWidget* parent = nullptr);
    ~COutputWnd() override;

    [[nodiscard]] ARecordList* LampOutput() const { return m_first; }
    [[nodiscard]] ARecordList* WaitBoard() const { return m_second; }

private:
    ARecordList* m_first = nullptr;
    ARecordList* m_second = nullptr;
};

} // namespace vlk
