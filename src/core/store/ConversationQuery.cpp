#include "core/store/ConversationQuery.h"

#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"

Sqlite3Sql conversationStatement(const QString& suffix)
{
    // The name is the contacts view's: the first non-empty person of the conversation.
    Sqlite3Sql sql(
        "select s.sms_id, s.address, s.date, s.is_send, s.body, s.suffix, "
        "(select t3.person from sms as t3 where t3.suffix = ? and t3.person is not null and "
        "t3.person <> '' limit 0, 1) as person "
        "from sms as s where s.suffix = ? order by s.date asc");
    sql.addTextParam(suffix).addTextParam(suffix);
    return sql;
}

QList<SMSInfo> loadConversation(Sqlite3DB* db, const QString& suffix)
{
    Sqlite3Cursor cursor = db->queryThrow(conversationStatement(suffix));
    QList<SMSInfo> list;
    while (cursor.moveNext())
        list.append(readSMSRow(cursor));
    return list;
}
