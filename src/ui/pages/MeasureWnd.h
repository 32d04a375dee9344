#pragma once

#include "forms/AFormWnd.h"

namespace vlk {

class ARecordList;

// "Привязка датчиков": which red-lamp sensor channel and which green-lamp sensor monitor each direction.
class CMeasureWnd : public AFormWnd {
    Q_OBJECT
public:
    static constexpr int TemplateId = 142;
    static constexpr int RedSensorId = 1054;
    static constexpr int GreenSensorId = 1055;

    explicit CMeasureWnd(QWidget* parent = nullptr);
    ~CMeasureWnd() override;

    [[nodiscard]] ARecordList* RedSensor() const { return m_first; }
    [[nodiscard]] ARecordList* GreenSensor() const { return m_second; }

private:
    ARecordList* m_first = nullptr;
    ARecordList* m_second = nullptr;
};

} // namespace vlk
