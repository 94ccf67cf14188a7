#include "core/store/AccountUpgradeJob.h"

#include "core/frame/ProgressThrottle.h"
#include "core/store/AccountJobs.h"
#include "core/store/AccountUpgrade.h"
#include "core/store/StoringJobScope.h"

AccountUpgradeJob::AccountUpgradeJob(std::shared_ptr<Sqlite3DB> db)
    : JobThread("AccountUpgradeJob"), m_db(std::move(db))
{
    // Made here, on the main thread, before the job's transaction first asks for it.
    AccountJobs::instance();
}

void AccountUpgradeJob::work()
{
    StoringJobScope scope(m_db.get());
    std::unique_ptr<ProgressThrottle> throttle;
    upgradeAccount(m_db.get(), [&](qint64 done, qint64 total) {
        if (!throttle)
            throttle = std::make_unique<ProgressThrottle>(total);
        if (throttle->shouldReport(done))
            reportProgress(done, total);
    });
    scope.commit();
    emit succeed(QString());
}
