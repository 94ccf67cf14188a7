#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace phonesim {

// Traffic log: one line per line received ("<-") or sent ("->"), plus notes ("--") and
// protocol faults of the peer ("!!"), each tagged with the connection it belongs to.
class SimLogger
{
public:
    SimLogger() = default;
    SimLogger(const SimLogger&) = delete;
    SimLogger& operator=(const SimLogger&) = delete;

    bool open(const QString& fileName, QString* error);
    void received(const QString& connection, const QByteArray& line);
    void sent(const QString& connection, const QByteArray& line);
    void note(const QString& connection, const QString& text);
    void fault(const QString& connection, const QString& text);
    int faults() const { return m_faults; }

private:
    void write(const QString& connection, const char* marker, const QByteArray& text);

    QFile m_file;
    int m_faults = 0;
};

} // namespace phonesim
