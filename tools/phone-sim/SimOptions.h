#pragma once

#include "Misbehaviour.h"

#include <QString>
#include <QStringList>

namespace phonesim {

struct SimOptions
{
    QString address = QStringLiteral("127.0.0.1");
    quint64 seed = 1;
    qint64 count = 200;
    int contacts = 25;
    int batch = 100;
    int dupEvery = 0;
    QString csvFile;
    Misbehaviour misbehave = Misbehaviour::None;
    qint64 misbehaveAt = -1; // record index; -1: the middle of the middle batch
    QString errorText = QStringLiteral("Speicher nicht lesbar – ошибка чтения");
    QString restoreLog;
    bool keepRestored = false;
    int pushEveryMs = 0;
    QString logFile;
    bool verbose = false;
    bool exitOnStdinEof = false;
    int armTimeoutMs = 3000;
    bool dump = false;
};

// Fills options from the command line; on failure sets *error (the caller prints it).
bool parseSimOptions(const QStringList& arguments, SimOptions* options, QString* error);

} // namespace phonesim
