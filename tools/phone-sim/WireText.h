#pragma once

#include "SimMessage.h"

#include <QByteArray>
#include <QString>

// Text forms of the phone's side of the line protocol.
namespace phonesim {

inline constexpr int kCommandPort = 42580;
inline constexpr int kBackupPort = 32421;
inline constexpr int kRestorePort = 32422;
inline constexpr int kListenerPort = 43256;

QByteArray base64Of(const QString& text);
// The same appended to out, without an array of its own.
void appendBase64Of(QByteArray& out, const QString& text);

// Strict decoding: only the standard alphabet, correct padding, canonical form, valid UTF-8.
bool decodeBase64Text(const QByteArray& field, QString* text);

// Five fields: date ms, direction, address, person, body; no keyword, no line feed.
QByteArray formatPhoneRecord(const SimMessage& message);
// The same appended to out (a backup writes a million of them).
void appendPhoneRecord(QByteArray& out, const SimMessage& message);

QByteArray errorLine(const QString& text);

// Checks a record the computer restores (four fields behind "$sms:").
// Returns an empty text when the record is sound, else what is wrong with it.
QString checkRestoreRecord(const QByteArray& payload, SimMessage* message);

// Checks the message line of a send request ("Base64(address),Base64(body)").
QString checkSendLine(const QByteArray& line, QString* address, QString* body);

// Printable form of a wire line for the log: control and non-ASCII bytes escaped, long lines cut.
QByteArray escapeForLog(const QByteArray& line, int maxBytes = 400);

// Undoes \n, \r, \t, \s (space) and \\ in stdin command arguments.
QString unescapeArgument(const QString& text);
QString escapeArgument(const QString& text);

} // namespace phonesim
