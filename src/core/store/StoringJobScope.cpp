#include "core/store/StoringJobScope.h"

#include "core/store/InterruptOnCancel.h"

StoringJobScope::StoringJobScope(Sqlite3DB* db)
    : m_cache(db), m_transaction(db), m_interrupt(std::make_unique<InterruptOnCancel>(db))
{}

StoringJobScope::~StoringJobScope() = default;

void StoringJobScope::commit()
{
    m_interrupt.reset();
    m_transaction.commit();
}
