#include "ConsoleInput.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace phonesim {

ConsoleInput::ConsoleInput(QObject* parent) : QObject(parent)
{
    if (::fcntl(STDIN_FILENO, F_GETFD) == -1)
        return; // started with standard input closed
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ConsoleInput::readAvailable);
}

void ConsoleInput::readAvailable()
{
    char chunk[4096];
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got <= 0) {
        m_notifier->setEnabled(false);
        if (!m_buffer.isEmpty())
            emit lineRead(QString::fromUtf8(m_buffer));
        m_buffer.clear();
        emit endOfInput();
        return;
    }
    m_buffer.append(chunk, got);
    qsizetype start = 0;
    for (qsizetype end; (end = m_buffer.indexOf('\n', start)) >= 0; start = end + 1)
        emit lineRead(QString::fromUtf8(m_buffer.mid(start, end - start)));
    m_buffer.remove(0, start);
}

} // namespace phonesim
