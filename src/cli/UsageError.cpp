#include "cli/UsageError.h"

UsageError::UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
