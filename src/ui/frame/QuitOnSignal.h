#pragma once

#include <QObject>

class QSocketNotifier;

namespace vlk {

// Turns SIGINT and SIGTERM into an orderly close of the main window, so Ctrl+C in the terminal
// stops the exchange as the close box would. One per process.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

signals:
    void Requested();

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vlk
