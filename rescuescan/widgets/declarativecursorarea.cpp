#include "widgets/declarativecursorarea.h"

#include <QCursor>

#include <cstddef>

namespace {

struct NamedShape
{
    Qt::CursorShape shape;
    const char *name;
};

// The name each shape reads back as; also accepted when written.
constexpr NamedShape shapeNames[] = {
    {Qt::ArrowCursor, "arrow"},
    {Qt::UpArrowCursor, "up_arrow"},
    {Qt::CrossCursor, "cross"},
    {Qt::WaitCursor, "wait"},
    {Qt::IBeamCursor, "ibeam"},
    {Qt::SizeVerCursor, "size_ver"},
    {Qt::SizeHorCursor, "size_hor"},
    {Qt::SizeBDiagCursor, "size_bdiag"},
    {Qt::SizeFDiagCursor, "size_fdiag"},
    {Qt::SizeAllCursor, "size_all"},
    {Qt::SplitVCursor, "split_v"},
    {Qt::SplitHCursor, "split_h"},
    {Qt::PointingHandCursor, "hand"},
    {Qt::ForbiddenCursor, "forbidden"},
    {Qt::WhatsThisCursor, "whats_this"},
    {Qt::BusyCursor, "busy"},
    {Qt::OpenHandCursor, "openhand"},
    {Qt::ClosedHandCursor, "closedhand"},
    {Qt::DragCopyCursor, "dnd-copy"},
    {Qt::DragMoveCursor, "dnd-move"},
    {Qt::DragLinkCursor, "dnd-link"},
};

// Further spellings accepted when written; they read back as the name above.
constexpr NamedShape shapeAliases[] = {
    {Qt::WaitCursor, "hourglass"},
    {Qt::IBeamCursor, "i-beam"},
    {Qt::PointingHandCursor, "pointing_hand"},
    {Qt::DragCopyCursor, "copy"},
    {Qt::DragMoveCursor, "move"},
    {Qt::DragLinkCursor, "link"},
};

template <std::size_t N>
const NamedShape *findByName(const NamedShape (&table)[N], const QString &name)
{
    for (const NamedShape &entry : table) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

} // namespace

DeclarativeCursorArea::DeclarativeCursorArea(QQuickItem *parent)
    : QQuickItem(parent)
{
}

QString DeclarativeCursorArea::cursorShape() const
{
    const Qt::CursorShape shape = cursor().shape();
    for (const NamedShape &entry : shapeNames) {
        if (entry.shape == shape)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("arrow");
}

void DeclarativeCursorArea::setCursorShape(const QString &shape)
{
    const NamedShape *entry = findByName(shapeNames, shape);
    if (!entry)
        entry = findByName(shapeAliases, shape);
    setCursor(QCursor(entry ? entry->shape : Qt::ArrowCursor));
}
