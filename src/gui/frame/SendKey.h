#pragma once

#include <QKeyEvent>

// Alt with Return, or with Enter on the keypad, sends the message being written; Return alone
// is a line break.
inline bool isSendKey(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           key->modifiers().testFlag(Qt::AltModifier);
}
