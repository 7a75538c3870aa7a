#pragma once

#include <QThread>

#include <atomic>

// Tests about once a second, for as long as the main window lives, whether
// the lookup service can be reached, with a lookup object of its own.
class QOnlineThread : public QThread {
    Q_OBJECT

public:
    explicit QOnlineThread(QObject* parent = nullptr);

    // Returns at once; the thread ends after its current cycle.
    void stop();

signals:
    void onlineResult(bool online);

protected:
    void run() override;

private:
    std::atomic<bool> stop_requested{false};
};
