#include "cli/CommandFailure.h"

CommandFailure::CommandFailure(const QString& message, int exitCode)
    : std::runtime_error(message.toUtf8().toStdString()), m_exitCode(exitCode)
{}
