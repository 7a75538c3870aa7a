#include "questions.h"

#include "modalwatch.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QQuickWidget>
#include <QTest>

QQuickItem *pageItem(QQuickWidget *view, const char *name)
{
    QQuickItem *root = view->rootObject();
    return root ? root->findChild<QQuickItem *>(QString::fromLatin1(name)) : nullptr;
}

QPoint centreOf(QQuickWidget *view, const char *name)
{
    QQuickItem *target = pageItem(view, name);
    if (!target)
        qFatal("no item \"%s\" on the page", name);
    return target->mapToScene(QPointF(target->width() / 2, target->height() / 2)).toPoint();
}

void clickItem(QQuickWidget *view, const char *name)
{
    QTest::mouseClick(view, Qt::LeftButton, {}, centreOf(view, name));
}

QImage freshFrame(QQuickWidget *view)
{
    QSignalSpy rendered(view->quickWindow(), &QQuickWindow::afterRendering);
    view->quickWindow()->update();
    rendered.wait(5000);
    return view->grabFramebuffer();
}

QQuickItem *OpenQuestion::item(const char *name) const
{
    return pageItem(viewer, name);
}

void OpenQuestion::click(const char *name) const
{
    clickItem(viewer, name);
}

QString OpenQuestion::text() const
{
    return item("contentText")->property("text").toString();
}

namespace {

OpenQuestion openQuestion(QWidget *window)
{
    auto *frame = qobject_cast<AlertFrame *>(window);
    return {frame, frame->findChild<AlertViewer *>()};
}

} // namespace

int askWhile(Ask ask, QWidget *parent, const QString &title, const QString &content,
             const std::function<void(const OpenQuestion &)> &act)
{
    ModalWatch watch(ModalWatch::ofType<AlertFrame>(),
                     [&](QWidget *window) { act(openQuestion(window)); });
    return ask(parent, title, content);
}

bool answering(bool yes, const std::function<void()> &code, QString *asked,
               const std::function<void(const OpenQuestion &)> &whileOpen)
{
    ModalWatch watch(ModalWatch::ofType<AlertFrame>(), [&](QWidget *window) {
        const OpenQuestion question = openQuestion(window);
        if (asked)
            *asked = question.text();
        if (whileOpen)
            whileOpen(question);
        question.click(yes ? "yesButton" : "noButton");
    });
    code();
    return watch.seen();
}
