#pragma once

#include <QAnyStringView>
#include <QList>
#include <QString>
#include <memory>
#include <utility>

#include "core/frame/MMSData.h"

// Attributes of an element in the order the file gave them, values as read.
using MMSAttributes = QList<std::pair<QString, QString>>;

// The value of an attribute; a null string when absent.
QString attributeValue(const MMSAttributes& attributes, QAnyStringView name);

// One part of a multimedia message: its attributes but "data", and the bytes of "data".
struct MMSPart
{
    MMSAttributes attributes;
    std::shared_ptr<const MMSData> data; // null: no data
    qint64 partId = 0;                   // when read from an account: the row, data in the store
    qint64 dataSize = -1;                // with partId: the stored bytes, -1 when none
};

// A multimedia message as an XML backup holds it.
struct MMSInfo
{
    MMSAttributes attributes; // of the "mms" element, all of them
    QList<MMSPart> parts;
    QList<MMSAttributes> addrs;
    int partsLeftOut = 0; // parts whose data was broken or too large, not kept
    qint32 smsId = 0;     // the message's row when stored
};
