#pragma once

#include <QFileInfo>
#include <QString>

class ThreatModel;

// One threat found by a scan: the file and the name the lookup service gave
// it. Owned by the model that lists it.
class ThreatItem {
public:
    ThreatItem(const QString& name, const QString& file, ThreatModel* model);

    QString name() const;
    // Absolute path in native separators.
    QString file() const;
    ThreatModel* model() const;

private:
    QFileInfo fileInfo;
    QString threatName;
    ThreatModel* owner;
};
