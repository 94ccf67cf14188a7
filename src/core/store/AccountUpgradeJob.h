#pragma once

#include <memory>

#include "core/frame/JobThread.h"

class Sqlite3DB;

// Brings an account's search index and conversation summary up to date (see AccountUpgrade.h) in
// one transaction, with progress: on a large account that takes seconds. Succeeds without a text;
// a cancel or failure leaves the account as it was.
class AccountUpgradeJob : public JobThread
{
    Q_OBJECT
public:
    explicit AccountUpgradeJob(std::shared_ptr<Sqlite3DB> db);

protected:
    void work() override;

private:
    std::shared_ptr<Sqlite3DB> m_db;
};
