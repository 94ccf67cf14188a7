#include "gui/frame/MessageBoxes.h"

#include <QCoreApplication>

#include "core/frame/ProjectInfo.h"
#include "gui/frame/DialogSeam.h"

namespace {

QString tr(const char* key)
{
    return QCoreApplication::translate("QObject", key);
}

} // namespace

int showMessage(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)
{
    return DialogSeam::message(icon, tr(ProjectInfo::displayName), text, buttons);
}

bool askYesNo(const QString& text)
{
    return showMessage(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void showWarning(const QString& text)
{
    showMessage(QMessageBox::Warning, text, QMessageBox::Ok);
}

void showInformation(const QString& text)
{
    showMessage(QMessageBox::Information, text, QMessageBox::Ok);
}

void showCritical(const QString& text)
{
    showMessage(QMessageBox::Critical, text, QMessageBox::Ok);
}

void showErrorOccurred(const QString& detail)
{
    showCritical(tr("IDS_ERROR_OCCUR_DESC_%1").arg(outsideText(detail)));
}

QString outsideText(const QString& text)
{
    constexpr qsizetype shownCharacters = 1000;
    if (text.size() <= shownCharacters)
        return text;
    return text.left(shownCharacters) + QChar(0x2026); // an ellipsis
}

QString plainToolTip(const QString& text)
{
    if (text.isEmpty())
        return text;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") +
           outsideText(text).toHtmlEscaped() + QStringLiteral("</p>");
}
