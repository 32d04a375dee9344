#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
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
    // The third choice: any port by its name, a device path or a serial server's address.
    static constexpr int kOtherPort = 3;

    explicit CQuestionWnd(QWidget* parent = nullptr);

    // 0 while none was chosen, 1 for COM1, 2 for COM2, 3 for the address in the field.
    [[nodiscard]] int ChosenPort() const { return m_port; }
    // The address typed for "Другой порт…", trimmed.
    [[nodiscard]] QString Address() const;

    [[nodiscard]] QRadioButton* Com1() const { return m_com1; }
    [[nodiscard]] QRadioButton* Com2() const { return m_com2; }
    [[nodiscard]] QRadioButton* Other() const { return m_other; }
    [[nodiscard]] QLineEdit* AddressField() const { return m_address; }
    [[nodiscard]] QLabel* AddressHint() const { return m_hint; }
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
    QRadioButton* m_other;
    QLineEdit* m_address;
    QLabel* m_hint;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace vlk
