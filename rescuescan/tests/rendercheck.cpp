#include "rendercheck.h"

#include <QDir>
#include <QQuickItem>
#include <QRectF>

namespace {

struct Shown
{
    QQuickItem *item;
    QRectF visibleBox; // in root coordinates, after the clipping of ancestors
};

void collect(QQuickItem *root, QQuickItem *item, const QRectF &clip, QList<Shown> &out)
{
    if (!item->isVisible() || item->opacity() == 0.0)
        return;
    const QRectF box = item->mapRectToItem(root, QRectF(0, 0, item->width(), item->height()));
    out.append({item, clip.isNull() ? box : box.intersected(clip)});
    const QRectF childClip = !item->clip() ? clip : clip.isNull() ? box : clip.intersected(box);
    for (QQuickItem *child : item->childItems())
        collect(root, child, childClip, out);
}

QList<Shown> shownItems(QQuickItem *root)
{
    QList<Shown> items;
    collect(root, root, QRectF(), items);
    return items;
}

// QQuickImageBase::Ready
constexpr int readyStatus = 1;

bool isText(const QQuickItem *item)
{
    return item->inherits("QQuickText");
}

QString describe(const QQuickItem *item)
{
    QString name = item->objectName();
    if (isText(item))
        name += QLatin1Char('"') + item->property("text").toString() + QLatin1Char('"');
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(item->metaObject()->className()), name);
}

} // namespace

namespace RenderCheck {

QStringList visibleTexts(QQuickItem *root)
{
    QStringList texts;
    for (const Shown &shown : shownItems(root)) {
        if (isText(shown.item))
            texts.append(shown.item->property("text").toString());
    }
    return texts;
}

QStringList problems(QQuickItem *root)
{
    constexpr qreal slack = 0.5;
    const QRectF bounds = QRectF(0, 0, root->width(), root->height()).adjusted(-slack, -slack, slack, slack);
    QStringList problems;
    for (const Shown &shown : shownItems(root)) {
        QQuickItem *item = shown.item;
        const QRectF box = shown.visibleBox;
        if (!bounds.contains(box.topLeft()) || !bounds.contains(box.bottomRight()))
            problems.append(QStringLiteral("%1 at %2,%3 %4x%5 lies outside the window")
                                .arg(describe(item)).arg(box.x()).arg(box.y())
                                .arg(box.width()).arg(box.height()));
        if (item->inherits("QQuickImageBase") && !item->property("source").toUrl().isEmpty()
            && item->property("status").toInt() != readyStatus)
            problems.append(QStringLiteral("%1 could not show %2")
                                .arg(describe(item), item->property("source").toString()));
        if (!isText(item))
            continue;
        const qreal contentWidth = item->property("contentWidth").toReal();
        const qreal contentHeight = item->property("contentHeight").toReal();
        if (contentWidth > item->width() + slack || contentHeight > item->height() + slack
            || item->property("truncated").toBool())
            problems.append(QStringLiteral("%1 needs %2x%3 but has %4x%5")
                                .arg(describe(item)).arg(contentWidth).arg(contentHeight)
                                .arg(item->width()).arg(item->height()));
    }
    return problems;
}

QString saveScreenshot(const QImage &image, const QString &name)
{
    const QDir dir(QStringLiteral(RESCUE_SCREENSHOT_DIR));
    dir.mkpath(QStringLiteral("."));
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    image.save(path);
    return path;
}

} // namespace RenderCheck
