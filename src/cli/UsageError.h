#pragma once

#include <QString>
#include <stdexcept>

// A command line that does not follow the usage (exit code 2); the message names what is wrong.
class UsageError : public std::runtime_error
{
public:
    explicit UsageError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};
