#pragma once

#include <QObject>
#include <QString>

// One row of the repair list: the item's text, its state (an ItemStatus
// value) and the index by which the repair engine knows it.
class QRepairItemInfo : public QObject {
    Q_OBJECT

public:
    QRepairItemInfo(const QString& description, int status, int recordIndex, QObject* parent = nullptr);

    QString description() const;
    int status() const;
    void setStatus(int status);
    int recordIndex() const;

private:
    QString itemDescription;
    int itemStatus;
    int itemRecordIndex;
};
