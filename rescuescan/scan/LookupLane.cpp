#include "LookupLane.h"

#include "LookupPool.h"

#include <nimbix/FileDigest.h>
#include <nimbix/INimbix.h>

#include <exception>

LookupLane::LookupLane(LookupPool& lookupPool)
    : pool(lookupPool)
{
}

void LookupLane::run()
{
    Cloud::INimbix* core = nullptr;
    QString failure;
    try {
        CreateInstance(&core);
    } catch (const std::exception& e) {
        failure = QStringLiteral("create core failed: ") + QString::fromLocal8Bit(e.what());
    }
    if (!core && failure.isEmpty())
        failure = QStringLiteral("create core failed");

    while (const auto next = pool.nextJob()) {
        LookupPool::Job job = *next;
        if (!core) {
            pool.finish(job, std::nullopt, failure);
            continue;
        }
        try {
            if (job.digest.isEmpty()) {
                job.digest = Cloud::file_digest(job.path);
                if (job.shared && !pool.claim(job))
                    continue;
            }
            pool.finish(job, core->query_hash(job.digest), {});
        } catch (const std::exception& e) {
            pool.finish(job, std::nullopt, QString::fromLocal8Bit(e.what()));
        }
    }
    if (core)
        core->release();
}
