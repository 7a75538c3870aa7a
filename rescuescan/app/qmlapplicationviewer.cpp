#include "app/qmlapplicationviewer.h"

#include "CustomSelectorView.h"
#include "EightBit.h"
#include "QDownloadDialog.h"
#include "QMyFileSystemModel.h"
#include "QOnlineThread.h"
#include "SystemPaths.h"
#include "ThreatModel.h"
#include "app/contentwindow.h"
#include "app/draghandle.h"
#include "app/qaboutdlg.h"
#include "app/qnoframedialog.h"
#include "app/qthreatsdetails.h"
#include "app/screencentre.h"
#include "app/showquestion.h"

#include <hivemend/CRegFix.h>
#include <safetext/qsafetext.h>

#include <QDebug>
#include <QFont>
#include <QMessageBox>
#include <QMouseEvent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTreeView>

#include <stdexcept>

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
    stopOnlineThread();
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

    onlineThread = new QOnlineThread;
    connect(onlineThread, &QOnlineThread::onlineResult, this, &QmlApplicationViewer::onOnlineCheck);
    onlineThread->start(QThread::InheritPriority);
}

void QmlApplicationViewer::stopOnlineThread()
{
    if (!onlineThread)
        return;
    onlineThread->stop();
    onlineThread->wait();
    delete onlineThread;
    onlineThread = nullptr;
}

void QmlApplicationViewer::centerOnScreen()
{
    move(centredOnScreen(size()));
}

bool QmlApplicationViewer::alert(QString title, QString info)
{
    return showQuestion(this, title, info) == 1;
}

bool QmlApplicationViewer::customSelect()
{
    QNoFrameDialog dialog(this);
    CustomSelectorView view(&dialog);
    view.rootContext()->setContextProperty(QStringLiteral("engine"), &scanEngine);
    view.setSource(QUrl(QStringLiteral("qrc:/ui/qml/customSelect.qml")));
    if (view.status() != QQuickWidget::Ready) {
        qWarning() << "page failed:" << view.source() << view.errors();
        return false;
    }
    view.bindRootObject();

    QMyFileSystemModel model;
    QTreeView tree(&view);
    const QQuickItem *center = view.rootObject()->findChild<QQuickItem *>(QStringLiteral("center"));
    if (center) {
        const QPointF at = center->mapToScene(QPointF(0, 0));
        tree.setGeometry(qRound(at.x()), qRound(at.y()), qRound(center->width()), qRound(center->height()));
    }
    tree.setHeaderHidden(true);
    // The page's own type, so the tree reads as part of the window.
    QFont treeFont(QStringLiteral("Tahoma"));
    treeFont.setPixelSize(13);
    tree.setFont(treeFont);
    tree.setAttribute(Qt::WA_TranslucentBackground);
    tree.setFrameShape(QFrame::NoFrame);
    connect(&tree, &QTreeView::expanded, &model, &QMyFileSystemModel::onExpanded);
    model.populateRoot(SystemPaths::mountPath());
    tree.setModel(&model);

    dialog.resize(view.size());
    dialog.centerOnScreen();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const DirectoryList list = model.checkedDirectories();
    for (const DirectoryEntry &entry : list)
        qDebug() << entry.dir.absolutePath() << (entry.recursive ? "true" : "false");
    // Nothing chosen is nothing to scan: a scan of no folder would end on
    // "no threats found".
    if (list.isEmpty()) {
        QMessageBox box(QMessageBox::Information, QString(), tr("No folder was chosen, so nothing was scanned."));
        box.exec();
        return false;
    }
    scanEngine.customScan(list);
    return true;
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
    // The status thread's lookup object goes before the lookup library ends.
    stopOnlineThread();
    scanEngine.close();
    offerInstaller();
    close();
}

void QmlApplicationViewer::offerInstaller()
{
    CRegFix repair;
    try {
        const QString drive = SystemPaths::windowsDrive();
        if (drive.isEmpty())
            throw std::runtime_error("directory empty");
        qDebug() << "dir: " << drive;
        repair.SetHiveFileDriver(toEightBit(drive).constData());
    } catch (const std::exception &e) {
        qDebug() << "Repair Engine initialize failed: " << e.what();
        return;
    }
    if (showWideQuestion(this, tr("Information"),
                         tr("Since your PC was infected, we highly recommend that you install "
                            "<b><font color=#0b6fff>Wardline</font></b> Windows version to give your PC much "
                            "security and protection.<br /><br />Download Now?"))
        != 1)
        return;

    QDownloadDialog dialog(this);
    dialog.centerOnDesktop();
    if (!dialog.startDownload())
        return;
    if (dialog.exec() == QDialog::Rejected) {
        dialog.removeDownload();
        if (!dialog.failure().isEmpty()) {
            QMessageBox box(QMessageBox::Critical, QString(), dialog.failure());
            box.exec();
        }
        return;
    }
    const QString path = dialog.nativePath();
    // The installer is on the drive; without the run-once value Windows
    // would not start it, and the person is told so.
    if (!repair.WriteValueStr("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "wrdsetup",
                              toEightBit(path).constData())) {
        QMessageBox box(QMessageBox::Warning, QString(),
                        tr("Wardline was saved as %1, but Windows could not be set to run it at its next start: "
                           "the registry could not be written.").arg(path));
        box.exec();
    }
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
