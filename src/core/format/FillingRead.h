#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstring>

// The read of a filtering device: copies what it has handled (out from outPos) into the
// reader's buffer, refilling until the buffer is full or ended() says the data is over. Never
// a short read while more is to come: QXmlStreamReader takes a read that ends inside a
// character for the end of the document.
template <class Ended, class Refill>
qint64 readFilling(char* data, qint64 maxSize, const QByteArray& out, qsizetype& outPos,
                   Ended ended, Refill refill)
{
    qint64 done = 0;
    while (done < maxSize) {
        if (outPos == out.size()) {
            if (ended())
                break;
            refill();
            continue;
        }
        const qint64 n = std::min<qint64>(maxSize - done, out.size() - outPos);
        std::memcpy(data + done, out.constData() + outPos, size_t(n));
        outPos += n;
        done += n;
    }
    return done;
}
