#include "core/store/ConversationQuery.h"

namespace {

const char* const byDate = "date asc, sms_id asc";
const char* const byDateBackwards = "date desc, sms_id desc";

} // namespace

MessageQuery conversationQuery(const QString& suffix)
{
    // The name is the contacts view's: the conversation's first non-empty person.
    MessageQuery query;
    query.select = Sqlite3Sql(
        "select s.sms_id, s.address, s.date, s.is_send, s.body, s.suffix, (select first_person "
        "from view_summary where suffix = ?) as person from sms as s where s.suffix = ?");
    query.select.addTextParam(suffix).addTextParam(suffix);
    query.order = QLatin1String(byDate);
    query.reverseOrder = QLatin1String(byDateBackwards);
    query.count = Sqlite3Sql("select count(*) from sms where suffix = ?");
    query.count.addTextParam(suffix);
    return query;
}

Sqlite3Sql conversationStatement(const QString& suffix)
{
    return conversationQuery(suffix).ordered();
}

MessageQuery wholeAccountQuery()
{
    // "not indexed": one pass over the table; SQLite would otherwise walk index_suffix and fetch
    // every message from a different place of the file.
    MessageQuery query;
    query.select = Sqlite3Sql(
        "select s.sms_id, s.address, s.date, s.is_send, s.body, s.suffix, c.first_person as "
        "person from sms as s not indexed left join view_summary as c on c.suffix = s.suffix");
    query.order = QLatin1String(byDate);
    query.reverseOrder = QLatin1String(byDateBackwards);
    query.count = Sqlite3Sql("select count(*) from sms");
    return query;
}
