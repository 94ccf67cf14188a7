#pragma once

#include <QJsonObject>
#include <QString>

#include "core/frame/SMSInfo.h"

class Console;

// How search and listen print a message: one line of date, direction ("received" or
// "sent"), contact and text, separated by tabs, with backslash, line feed, carriage return and
// tab in the text written as \\, \n, \r and \t; or one JSON object of type "message".
QString messageLine(const SMSInfo& sms);
QJsonObject messageJson(const SMSInfo& sms);
void printMessage(Console& console, const SMSInfo& sms);
