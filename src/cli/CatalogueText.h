#pragma once

#include <QString>

// The window's message of a catalogue key, so that both front ends read the same.
QString catalogueText(const char* key);
