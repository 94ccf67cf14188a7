#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QFile;

// The decoded bytes of one attachment: held in memory while small, otherwise in a temporary
// file of their own, removed with the last holder. Never changed once finished.
class MMSData
{
public:
    static constexpr qint64 IN_MEMORY_BYTES = 256 * 1024;

    ~MMSData();
    MMSData(const MMSData&) = delete;
    MMSData& operator=(const MMSData&) = delete;

    qint64 size() const { return m_size; }
    // The bytes handed out in pieces of at most 64 KiB; false when the file cannot be read.
    bool read(const std::function<void(const char*, qint64)>& piece) const;
    // All bytes at once, for small data (a text part's).
    QByteArray bytes() const;

    // Collects the bytes as they are decoded.
    class Writer
    {
    public:
        Writer();
        ~Writer();
        Writer(const Writer&) = delete;
        Writer& operator=(const Writer&) = delete;
        // False once a write to the file failed.
        bool append(const char* bytes, qint64 size);
        qint64 size() const { return m_size; }
        std::shared_ptr<const MMSData> finish();

    private:
        bool spill();

        QByteArray m_bytes;
        QString m_path;
        std::unique_ptr<QFile> m_file;
        qint64 m_size = 0;
        bool m_failed = false;
    };

private:
    MMSData() = default;

    QByteArray m_bytes;
    QString m_path; // empty when in memory
    qint64 m_size = 0;
};
