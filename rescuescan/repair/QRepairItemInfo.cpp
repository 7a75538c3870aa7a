#include "QRepairItemInfo.h"

QRepairItemInfo::QRepairItemInfo(const QString& description, int status, int recordIndex, QObject* parent)
    : QObject(parent)
    , itemDescription(description)
    , itemStatus(status)
    , itemRecordIndex(recordIndex)
{
}

QString QRepairItemInfo::description() const
{
    return itemDescription;
}

int QRepairItemInfo::status() const
{
    return itemStatus;
}

void QRepairItemInfo::setStatus(int status)
{
    itemStatus = status;
}

int QRepairItemInfo::recordIndex() const
{
    return itemRecordIndex;
}
