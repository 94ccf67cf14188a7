#include "SimLogger.h"

#include "WireText.h"

#include <QDateTime>

#include <cstdio>

namespace phonesim {

bool SimLogger::open(const QString& fileName, QString* error)
{
    if (fileName.isEmpty()) {
        if (m_file.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
            return true;
    } else {
        m_file.setFileName(fileName);
        if (m_file.open(QIODevice::WriteOnly | QIODevice::Append))
            return true;
    }
    *error = m_file.errorString();
    return false;
}

void SimLogger::received(const QString& connection, const QByteArray& line)
{
    write(connection, "<-", escapeForLog(line));
}

void SimLogger::sent(const QString& connection, const QByteArray& line)
{
    write(connection, "->", escapeForLog(line));
}

void SimLogger::note(const QString& connection, const QString& text)
{
    write(connection, "--", text.toUtf8());
}

void SimLogger::fault(const QString& connection, const QString& text)
{
    ++m_faults;
    write(connection, "!!", text.toUtf8());
}

void SimLogger::write(const QString& connection, const char* marker, const QByteArray& text)
{
    if (!m_file.isOpen())
        return;
    QByteArray line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1();
    line += ' ';
    line += connection.toUtf8().leftJustified(10);
    line += ' ';
    line += marker;
    line += ' ';
    line += text;
    line += '\n';
    m_file.write(line);
    m_file.flush();
}

} // namespace phonesim
