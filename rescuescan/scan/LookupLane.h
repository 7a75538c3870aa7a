#pragma once

#include <QThread>

class LookupPool;

// One lane of a LookupPool: a thread with a lookup object of its own, made,
// used and released on it. It hashes each file it is given and, unless its
// digest is answered or asked about already, asks the service.
class LookupLane : public QThread {
    Q_OBJECT

public:
    explicit LookupLane(LookupPool& pool);

protected:
    void run() override;

private:
    LookupPool& pool;
};
