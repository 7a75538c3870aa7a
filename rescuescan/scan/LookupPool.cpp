#include "LookupPool.h"

#include "LookupLane.h"

#include <QMutexLocker>

#include <utility>

namespace {

// A queued content may have its verdict by the next question; a failed
// lookup is no answer at all.
bool keeps(const std::optional<LookupPool::Verdict>& verdict)
{
    return verdict && verdict->second != Cloud::FILE_WAIT_FOR_SCAN;
}

} // namespace

LookupPool::LookupPool(int laneCount, std::function<void()> news)
    : newsArrived(std::move(news))
    , idle(laneCount)
{
    for (int i = 0; i < laneCount; ++i) {
        lanes.push_back(std::make_unique<LookupLane>(*this));
        lanes.back()->start(QThread::InheritPriority);
    }
}

LookupPool::~LookupPool()
{
    {
        QMutexLocker locker(&mutex);
        quitting = true;
        jobs.clear();
        work.wakeAll();
    }
    for (const auto& lane : lanes)
        lane->wait();
}

bool LookupPool::hasRoom()
{
    QMutexLocker locker(&mutex);
    return idle > jobs.size();
}

void LookupPool::start(const QString& path)
{
    QMutexLocker locker(&mutex);
    ++handedOut;
    jobs.enqueue(Job{path, {}, true});
    work.wakeOne();
}

int LookupPool::outstanding()
{
    QMutexLocker locker(&mutex);
    return handedOut;
}

QList<LookupPool::Result> LookupPool::takeResults()
{
    QMutexLocker locker(&mutex);
    handedOut -= static_cast<int>(results.size());
    return std::exchange(results, {});
}

// A lane counts as idle from the moment it is done with a job (finish(),
// or a claim() that needs no lookup) until it takes the next: the worker
// hears of both at once.
std::optional<LookupPool::Job> LookupPool::nextJob()
{
    QMutexLocker locker(&mutex);
    while (!quitting && jobs.isEmpty())
        work.wait(&mutex);
    if (quitting)
        return std::nullopt;
    --idle;
    return jobs.dequeue();
}

bool LookupPool::claim(const Job& job)
{
    QMutexLocker locker(&mutex);
    const auto found = digests.find(job.digest);
    if (found == digests.end()) {
        digests.insert(job.digest, Digest{});
        return true;
    }
    if (found->verdict)
        results.append(Result{job.path, found->verdict, {}, true});
    else
        found->waiting.append(job);
    ++idle;
    locker.unlock();
    notify();
    return false;
}

void LookupPool::finish(const Job& job, const std::optional<Verdict>& verdict, const QString& cause)
{
    {
        QMutexLocker locker(&mutex);
        ++idle;
        results.append(Result{job.path, verdict, cause, false});
        if (job.shared && !job.digest.isEmpty()) {
            Digest& entry = digests[job.digest];
            const QList<Job> waiting = std::exchange(entry.waiting, {});
            if (keeps(verdict)) {
                entry.verdict = verdict;
                for (const Job& other : waiting)
                    results.append(Result{other.path, verdict, {}, true});
            } else {
                // Asked again by a later file, and by every file waiting now.
                digests.remove(job.digest);
                for (Job other : waiting) {
                    other.shared = false;
                    jobs.enqueue(other);
                }
                work.wakeAll();
            }
        }
    }
    notify();
}

void LookupPool::notify()
{
    if (newsArrived)
        newsArrived();
}
