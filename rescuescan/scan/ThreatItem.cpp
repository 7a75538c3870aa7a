#include "ThreatItem.h"

#include <QDir>

ThreatItem::ThreatItem(const QString& name, const QString& file, ThreatModel* model)
    : fileInfo(file)
    , threatName(name)
    , owner(model)
{
}

QString ThreatItem::name() const
{
    return threatName;
}

QString ThreatItem::file() const
{
    return QDir::toNativeSeparators(fileInfo.absoluteFilePath());
}

ThreatModel* ThreatItem::model() const
{
    return owner;
}
