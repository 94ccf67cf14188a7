#include "gui/frame/WindowFocus.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>

bool typingElsewhere(const QWidget* window)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() == window)
        return false;
    if (auto* text = qobject_cast<QTextEdit*>(focus))
        return !text->isReadOnly();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        return !plain->isReadOnly();
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        return !line->isReadOnly();
    return qobject_cast<QAbstractSpinBox*>(focus) != nullptr;
}

namespace {

// Not every platform or window manager honours the request to show a window without
// activating it: when the window is activated anyway soon after, the focus goes back to where
// the user was typing.
class FocusKeeper : public QObject
{
public:
    FocusKeeper(QWidget* shown, QWidget* typing) : QObject(shown), m_typing(typing)
    {
        shown->installEventFilter(this);
        QTimer::singleShot(1000, this, &QObject::deleteLater);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowActivate && m_typing) {
            QWidget* typing = m_typing;
            QTimer::singleShot(0, typing, [typing] {
                typing->activateWindow();
                typing->setFocus(Qt::ActiveWindowFocusReason);
            });
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_typing;
};

} // namespace

void bringForward(QWidget* window)
{
    if (!typingElsewhere(window)) {
        window->show();
        window->raise();
        window->activateWindow();
        return;
    }
    new FocusKeeper(window, QApplication::focusWidget());
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->show();
    window->raise();
}
