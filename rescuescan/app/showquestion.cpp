#include "app/showquestion.h"

#include "app/alertframe.h"
#include "app/alertviewer.h"

#include <QDebug>
#include <QQmlContext>
#include <QQmlError>
#include <QUrl>

namespace {

int askOnPage(QWidget *parent, const QString &title, const QString &content, const QUrl &page)
{
    AlertFrame frame(parent);
    AlertViewer viewer(&frame);
    viewer.rootContext()->setContextProperty(QStringLiteral("title"), title);
    viewer.rootContext()->setContextProperty(QStringLiteral("content"), content);
    viewer.setSource(page);
    // A page that failed to load would leave an empty modal window nobody
    // can answer; such a question counts as answered no.
    if (viewer.status() != QQuickWidget::Ready) {
        qWarning() << "question page failed:" << page << viewer.errors();
        return QDialog::Rejected;
    }
    frame.resize(viewer.size());
    frame.centerOnScreen();
    return frame.exec();
}

} // namespace

int showQuestion(QWidget *parent, const QString &title, const QString &content)
{
    return askOnPage(parent, title, content, QUrl(QStringLiteral("qrc:/ui/qml/Warning.qml")));
}

int showWideQuestion(QWidget *parent, const QString &title, const QString &content)
{
    return askOnPage(parent, title, content, QUrl(QStringLiteral("qrc:/ui/qml/Warning2.qml")));
}
