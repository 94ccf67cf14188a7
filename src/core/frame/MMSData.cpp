#include "core/frame/MMSData.h"

#include <QFile>
#include <QTemporaryFile>

namespace {
constexpr qint64 pieceBytes = 64 * 1024;
}

MMSData::~MMSData()
{
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

bool MMSData::read(const std::function<void(const char*, qint64)>& piece) const
{
    if (m_path.isEmpty()) {
        for (qint64 at = 0; at < m_size; at += pieceBytes)
            piece(m_bytes.constData() + at, std::min(pieceBytes, m_size - at));
        return true;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray buffer(pieceBytes, Qt::Uninitialized);
    qint64 done = 0;
    while (done < m_size) {
        const qint64 got = file.read(buffer.data(), std::min(pieceBytes, m_size - done));
        if (got <= 0)
            return false;
        piece(buffer.constData(), got);
        done += got;
    }
    return true;
}

QByteArray MMSData::bytes() const
{
    if (m_path.isEmpty())
        return m_bytes;
    QByteArray all;
    read([&](const char* bytes, qint64 size) { all.append(bytes, size); });
    return all;
}

MMSData::Writer::Writer() = default;

MMSData::Writer::~Writer()
{
    if (m_file) {
        m_file->close();
        QFile::remove(m_path);
    }
}

bool MMSData::Writer::spill()
{
    // A file that outlives the QTemporaryFile object: removed by the MMSData that takes it.
    QTemporaryFile temporary;
    temporary.setAutoRemove(false);
    if (!temporary.open())
        return false;
    m_path = temporary.fileName();
    temporary.close();
    m_file = std::make_unique<QFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly) || m_file->write(m_bytes) != m_bytes.size())
        return false;
    m_bytes = QByteArray();
    return true;
}

bool MMSData::Writer::append(const char* bytes, qint64 size)
{
    if (m_failed)
        return false;
    m_size += size;
    if (!m_file) {
        m_bytes.append(bytes, size);
        if (m_bytes.size() <= IN_MEMORY_BYTES)
            return true;
        if (!spill())
            m_failed = true;
        return !m_failed;
    }
    if (m_file->write(bytes, size) != size)
        m_failed = true;
    return !m_failed;
}

std::shared_ptr<const MMSData> MMSData::Writer::finish()
{
    if (m_failed)
        return nullptr;
    std::shared_ptr<MMSData> data(new MMSData);
    data->m_size = m_size;
    if (m_file) {
        if (!m_file->flush())
            return nullptr;
        m_file.reset();
        data->m_path = std::exchange(m_path, QString());
    } else {
        data->m_bytes = std::exchange(m_bytes, QByteArray());
    }
    return data;
}
