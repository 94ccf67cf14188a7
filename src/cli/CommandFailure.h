#pragma once

#include <QString>
#include <stdexcept>

#include "cli/Console.h"

// The command cannot go on: a one-line message and its exit code (1, or 130 when cancelled).
class CommandFailure : public std::runtime_error
{
public:
    explicit CommandFailure(const QString& message, int exitCode = ExitFailure);
    QString message() const { return QString::fromUtf8(what()); }
    int exitCode() const { return m_exitCode; }

private:
    int m_exitCode;
};
