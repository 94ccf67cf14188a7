#pragma once

class QWidget;

// Shows the window (if hidden) and brings it to the front. It takes the keyboard focus only
// when the user is not typing in another window: a message arriving must not swallow the rest
// of a sentence being written elsewhere.
void bringForward(QWidget* window);

// True while the keyboard focus is in a text field of a window other than this one.
bool typingElsewhere(const QWidget* window);
