#pragma once

#include "forms/AFormWnd.h"

namespace vlk {

class ARecordList;

// "Привязка выходов": the outputs that drive each lamp of the directions and the «ЖДИТЕ» boards of the two call points.
class COutputWnd : public AFormWnd {
    Q_OBJECT
public:
    static constexpr int TemplateId = 141;
    static constexpr int LampOutputId = 1042;
    static constexpr int WaitBoardId = 1043;

    explicit COutputWnd(QWidget* parent = nullptr);
    ~COutputWnd() override;

    [[nodiscard]] ARecordList* LampOutput() const { return m_first; }
    [[nodiscard]] ARecordList* WaitBoard() const { return m_second; }

private:
    ARecordList* m_first = nullptr;
    ARecordList* m_second = nullptr;
};

} // namespace vlk
