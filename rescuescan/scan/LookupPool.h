#pragma once

#include <nimbix/INimbix.h>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QQueue>
#include <QString>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LookupLane;

// The lookups of one scan in flight together: a fixed number of lanes, each
// a thread with a lookup object (and so a connection to the service) of its
// own, that hash files and ask about their digests. A digest is asked about
// once per scan: a file whose digest is already answered takes that
// verdict, one whose digest is being asked about waits for the answer. An
// answer that is no verdict to keep (the service has queued the content, or
// the lookup failed) is not shared: every file waiting for it asks on its
// own. Used by one scan worker, which hands out the files and reports what
// comes back.
class LookupPool {
public:
    using Verdict = QPair<QString, Cloud::FileResult>;

    struct Job {
        QString path;        // absolute
        QByteArray digest;   // empty until the file is hashed
        bool shared = true;  // may take or give another file's verdict
    };

    struct Result {
        QString path;
        std::optional<Verdict> verdict;  // none: the file could not be checked
        QString cause;                   // why not
        bool saved = false;              // the verdict came without a lookup of its own
    };

    // newsArrived runs (on a lane's thread, with no lock of the pool held)
    // whenever a lane is done with a file: a result waits, or the lane is
    // free again, or both.
    LookupPool(int lanes, std::function<void()> newsArrived);
    // Ends the lanes, and waits for the lookups they still do.
    ~LookupPool();
    LookupPool(const LookupPool&) = delete;
    LookupPool& operator=(const LookupPool&) = delete;

    // Whether a lane is free for another file now.
    bool hasRoom();
    // Hands a file to a free lane.
    void start(const QString& path);
    // Files handed out and not yet in a result.
    int outstanding();
    QList<Result> takeResults();

    // For the lanes.
    std::optional<Job> nextJob();
    // The digest of a hashed file is answered, being asked about, or to be
    // asked about by this lane (true).
    bool claim(const Job& job);
    void finish(const Job& job, const std::optional<Verdict>& verdict, const QString& cause);

private:
    struct Digest {
        std::optional<Verdict> verdict;  // set once answered
        QList<Job> waiting;              // files waiting for the answer
    };

    void notify();

    const std::function<void()> newsArrived;
    QMutex mutex;
    QWaitCondition work;
    QQueue<Job> jobs;
    QList<Result> results;
    QHash<QByteArray, Digest> digests;
    int idle = 0;
    int handedOut = 0;
    bool quitting = false;
    std::vector<std::unique_ptr<LookupLane>> lanes;
};
