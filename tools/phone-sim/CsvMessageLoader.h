#pragma once

#include "SimMessage.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace phonesim {

// Reads the program's own CSV export (header send,date,number,person,content in any
// order, "yyyy-MM-dd hh:mm:ss" local dates, double-quote quoting) into messages.
class CsvMessageLoader
{
public:
    // Returns false and sets *error when the file cannot be read or a record is unusable.
    static bool load(const QString& fileName, QList<SimMessage>* messages, QString* error);

    // Splits CSV text into records of fields; exposed for tests of the parser itself.
    static QList<QStringList> parse(const QByteArray& data);
};

} // namespace phonesim
