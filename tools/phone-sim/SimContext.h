#pragma once

#include "Misbehaviour.h"
#include "SimMessage.h"

#include <QByteArray>
#include <QString>

namespace phonesim {

class PhoneStore;
class SimLogger;
struct SimOptions;

// What a session may ask of the simulator that owns it.
class SimContext
{
public:
    virtual ~SimContext() = default;

    virtual const SimOptions& options() const = 0;
    virtual Misbehaviour misbehaviour() const = 0;
    virtual SimLogger& logger() = 0;
    virtual PhoneStore& store() = 0;
    virtual QString personFor(const QString& address) const = 0;

    // A line for the test driver on standard output.
    virtual void announce(const QString& line) = 0;
    // A request on the command port opened the data port for one connection.
    virtual void arm(int port, const QString& by) = 0;

    virtual void countHello() = 0;
    virtual void countSent() = 0;
    virtual void backupFinished(qint64 records, int batches) = 0;
    virtual void restoredRecord(const QByteArray& payload, const SimMessage& message) = 0;
    virtual void restoreBatchDone() = 0;
    virtual void restoreFinished(qint64 records, int batches) = 0;
};

} // namespace phonesim
