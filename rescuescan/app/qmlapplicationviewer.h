#pragma once

#include "RepairEngine.h"
#include "ScanEngine.h"

#include <QPoint>
#include <QQuickWidget>
#include <QVariant>

class QMouseEvent;
class QOnlineThread;
class QShowEvent;

// The program's one main window: a frameless, translucent view of the main
// page that owns the scan and repair controllers, publishes them and their
// lists to the pages, wires the page's signals to its slots, is dragged by
// the page's header and asks before it quits while work is running.
class QmlApplicationViewer : public QQuickWidget
{
    Q_OBJECT

public:
    explicit QmlApplicationViewer(QWidget *parent = nullptr);
    ~QmlApplicationViewer() override;

    // Called once the main page is loaded.
    virtual void bindRootObject();
    virtual void centerOnScreen();

    Q_INVOKABLE bool alert(QString title, QString info);
    Q_INVOKABLE bool customSelect();

signals:
    void onOnlineResult(QVariant bOnline);

private slots:
    void onMinimize();
    void onClose();
    void onShowDetails();
    void onOnlineCheck(bool online);
    void onShowAbout();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QObject *pageObject(const char *name) const;
    // The end of the exit sequence, once nothing runs or the user agreed.
    void quit();
    // Offers to download Wardline onto the Windows drive and have Windows
    // run its installer once at its next start.
    void offerInstaller();
    void stopOnlineThread();

    QPoint dragOrigin;
    bool dragging = false;
    ScanEngine scanEngine;
    RepairEngine repairEngine;
    QOnlineThread *onlineThread = nullptr;
};
