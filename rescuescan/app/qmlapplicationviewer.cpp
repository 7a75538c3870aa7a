#include "app/qmlapplicationviewer.h"

#include "ThreatModel.h"
#include "SystemPaths.h"
#include "app/contentwindow.h"
#include "app/draghandle.h"
#include "app/qaboutdlg.h"
#include "app/qnoframedialog.h"
#include "app/qthreatsdetails.h"
#include "app/screencentre.h"
#include "app/showquestion.h"

#include <QDebug>
#include <QMouseEvent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>

QmlApplicationViewer::QmlApplicationViewer(QWidget *parent)
    : QQuickWidget(parent)
    , scanEngine(this)
    , repairEngine(this)
{
    // Qt.quit() from a page closes the window at once, without the question.
    connect(engine(), &QQmlEngine::quit, this, &QWidget::close);
    setAttribute(Qt::WA_TranslucentBackground);
    qDebug() << "current flags: " << windowFlags();
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAutoFillBackground(false);
    setClearColor(Qt::transparent);
    // The window has no frame to show it; the desktop's task list and window
    // tools still name it.
    setWindowTitle(tr("Quillmark Rescue Disk"));

    QQmlContext *context = rootContext();
    context->setContextProperty(QStringLiteral("viewer"), this);
    context->setContextProperty(QStringLiteral("engine"), &scanEngine);
    context->setContextProperty(QStringLiteral("repair_engine"), &repairEngine);
    context->setContextProperty(QStringLiteral("threatsModel"), scanEngine.threatModel());
    context->setContextProperty(QStringLiteral("repair_scanning_model"), repairEngine.model());
    context->setContextProperty(QStringLiteral("makerSite"), SystemPaths::makerSite());
}

QmlApplicationViewer::~QmlApplicationViewer()
{
    // The pages go first: bound to the controllers, they would otherwise
    // outlive them for a moment and evaluate their bindings against nothing.
    setSource(QUrl());
}

QObject *QmlApplicationViewer::pageObject(const char *name) const
{
    QQuickItem *root = rootObject();
    return root ? root->findChild<QObject *>(QString::fromLatin1(name)) : nullptr;
}

void QmlApplicationViewer::bindRootObject()
{
    QQuickItem *root = rootObject();
    connect(root, SIGNAL(minimize()), this, SLOT(onMinimize()));
    connect(root, SIGNAL(close()), this, SLOT(onClose()));
    connect(root, SIGNAL(showAbout()), this, SLOT(onShowAbout()));
    connect(this, SIGNAL(onOnlineResult(QVariant)), pageObject("mainFrame"), SLOT(onOnlineCheck(QVariant)));
    connect(pageObject("scan_page_scanning"), SIGNAL(showDetails()), this, SLOT(onShowDetails()));
    connect(&scanEngine, SIGNAL(scanFinished()), pageObject("page_scan"), SLOT(onScanFinished()));
    connect(&scanEngine, SIGNAL(repairFinished()), pageObject("page_scan"), SLOT(onRepairComplete()));
    connect(&repairEngine, SIGNAL(scanFinished(QVariant)), pageObject("page_repair"), SLOT(onScanFinished(QVariant)));
}

void QmlApplicationViewer::centerOnScreen()
{
    move(centredOnScreen(size()));
}

bool QmlApplicationViewer::alert(QString title, QString info)
{
    return showQuestion(this, title, info) == 1;
}

// The folder selector of the custom scan comes with its own window; until
// then the welcome view stays as it is.
bool QmlApplicationViewer::customSelect()
{
    return false;
}

void QmlApplicationViewer::onMinimize()
{
    showMinimized();
}

void QmlApplicationViewer::onClose()
{
    if (!scanEngine.isRunning() && !repairEngine.isRunning()) {
        quit();
        return;
    }
    scanEngine.pause();
    repairEngine.pause();
    if (showQuestion(this, tr("Warning"), tr("Are you sure to exit?")) == 1) {
        quit();
        return;
    }
    scanEngine.resume();
    repairEngine.resume();
}

void QmlApplicationViewer::quit()
{
    scanEngine.close();
    close();
}

void QmlApplicationViewer::onShowDetails()
{
    QNoFrameDialog dialog(this);
    QThreatsDetails view(&dialog);
    view.rootContext()->setContextProperty(QStringLiteral("threatsModel"), scanEngine.threatModel());
    view.rootContext()->setContextProperty(QStringLiteral("engine"), &scanEngine);
    runContentWindow(dialog, view, QUrl(QStringLiteral("qrc:/ui/qml/ThreatsDetails.qml")));
}

void QmlApplicationViewer::onOnlineCheck(bool online)
{
    emit onOnlineResult(QVariant(online));
}

void QmlApplicationViewer::onShowAbout()
{
    QNoFrameDialog dialog(this);
    QAboutDlg view(&dialog);
    view.rootContext()->setContextProperty(QStringLiteral("makerSite"), SystemPaths::makerSite());
    runContentWindow(dialog, view, QUrl(QStringLiteral("qrc:/ui/qml/about.qml")));
}

void QmlApplicationViewer::mousePressEvent(QMouseEvent *event)
{
    QQuickWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        dragOrigin = event->position().toPoint();
        dragging = pressStartsDrag(rootObject(), dragOrigin);
    }
}

void QmlApplicationViewer::mouseReleaseEvent(QMouseEvent *event)
{
    QQuickWidget::mouseReleaseEvent(event);
    dragging = false;
}

void QmlApplicationViewer::mouseMoveEvent(QMouseEvent *event)
{
    QQuickWidget::mouseMoveEvent(event);
    if ((event->buttons() & Qt::LeftButton) && dragging)
        move(event->globalPosition().toPoint() - dragOrigin);
}

void QmlApplicationViewer::showEvent(QShowEvent *event)
{
    QQuickWidget::showEvent(event);
    repaint();
}
