#pragma once

#include "forms/AFormWnd.h"

namespace vlk {

class ARecordList;
class Messages;

// "Привязка датчиков": which red-lamp sensor channel and which green-lamp sensor monitor each direction.
class CMeasureWnd : public AFormWnd {
    Q_OBJECT
public:
    // The grids' editing messages go to `messages`, the owner's.
    explicit CMeasureWnd(Messages& messages, QWidget* parent = nullptr);
    ~CMeasureWnd() override;

    [[nodiscard]] ARecordList* RedSensor() const { return m_first; }
    [[nodiscard]] ARecordList* GreenSensor() const { return m_second; }

private:
    ARecordList* m_first = nullptr;
    ARecordList* m_second = nullptr;
};

} // namespace vlk
