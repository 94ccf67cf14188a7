#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

namespace phonesim {

// Lines from standard input without blocking the event loop. A closed or missing
// standard input is fine: then no line ever comes.
class ConsoleInput : public QObject
{
    Q_OBJECT
public:
    explicit ConsoleInput(QObject* parent = nullptr);

signals:
    void lineRead(const QString& line);
    void endOfInput();

private:
    void readAvailable();

    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_buffer;
};

} // namespace phonesim
