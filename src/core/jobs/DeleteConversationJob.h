#pragma once

#include <QString>
#include <memory>

#include "core/frame/JobThread.h"

class Sqlite3DB;

// Deletes every message of one conversation as a job (a long conversation takes a while with
// the search index and the summary to keep); succeeds without a text.
class DeleteConversationJob : public JobThread
{
    Q_OBJECT
public:
    DeleteConversationJob(std::shared_ptr<Sqlite3DB> db, const QString& suffix);

protected:
    void work() override;

private:
    std::shared_ptr<Sqlite3DB> m_db;
    QString m_suffix;
};
