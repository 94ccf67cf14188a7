#pragma once

#include <QDir>

// Base folder of the per-user data: "AppData/Roaming" in the home folder when it exists,
// otherwise "Application Data" in the home folder.
QDir appDataBaseDirectory();
// The folder holding the account files; created (with its parents) on every call.
QDir dataDirectory();
