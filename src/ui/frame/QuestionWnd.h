#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

namespace vlk {

// The port-choice dialog of start-up: which port the data exchange uses and whether to start it.
// OK ends it only once a port was chosen; Cancel or Escape end it whatever was clicked.
class CQuestionWnd : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDC_RADIO_COM1 = 1061;
    static constexpr int IDC_RADIO_COM2 = 1062;

    explicit CQuestionWnd(QWidget* parent = nullptr);

    // 0 while none was chosen, 1 for COM1, 2 for COM2.
    [[nodiscard]] int ChosenPort() const { return m_port; }

    [[nodiscard]] QRadioButton* Com1() const { return m_com1; }
    [[nodiscard]] QRadioButton* Com2() const { return m_com2; }
    [[nodiscard]] QPushButton* OkButton() const { return m_ok; }
    [[nodiscard]] QPushButton* CancelButton() const { return m_cancel; }
    // The device a port name maps to, as the serial port will open it.
    [[nodiscard]] static QString DeviceOf(int port);

public slots:
    void accept() override;

private:
    int m_port = 0;
    QRadioButton* m_com1;
    QRadioButton* m_com2;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace vlk
