#pragma once

#include "forms/AFormWnd.h"

namespace vlk {

class ARecordList;
class Messages;

// "Конфигурация для ZAD": the minimum red and green times of the directions and the times between their greens.
class CConfigWnd : public AFormWnd {
    Q_OBJECT
public:
    // The grids' editing messages go to `messages`, the owner's.
    explicit CConfigWnd(Messages& messages, QWidget* parent = nullptr);
    ~CConfigWnd() override;

    [[nodiscard]] ARecordList* MinSignalTime() const { return m_first; }
    [[nodiscard]] ARecordList* InterGreen() const { return m_second; }

private:
    ARecordList* m_first = nullptr;
    ARecordList* m_second = nullptr;
};

} // namespace vlk
