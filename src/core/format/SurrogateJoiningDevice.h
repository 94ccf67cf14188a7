#pragma once

#include <QByteArray>
#include <QIODevice>
#include <memory>

// Reads an XML file through, joining the pairs of numeric character references to UTF-16
// surrogates that phone backups write for characters above U+FFFF ("&#55357;&#56832;") into
// one reference to the character ("&#0000000128512;", as long as the pair, so that the XML
// reader's columns stay those of the file), which an XML reader accepts. A reference to a
// surrogate without its other half becomes one to U+FFFD ("&#65533;", padded to its length)
// and is counted. The file is scanned without regard to XML context, as a phone writes such
// references only in attribute values and text, in its own units: bytes for UTF-8 (and any
// encoding that writes ASCII as bytes), 16-bit units for UTF-16 (told by its byte-order mark,
// or by a first "<" of two bytes); the bytes handed out are those of the file but for the
// references rewritten. Every read fills the caller's buffer unless the data ends, so no read
// holds only part of a character (which an XML reader would take for the end of the data).
// Reading stops (end of data) before a run of more than MAX_RUN_BYTES without a "<" (one tag
// or text that an XML reader would hold in memory whole); error() then says so. Line, column
// and offset count as an XML reader counts them (from 1, in UTF-16 units), in the file as
// written.
class SurrogateJoiningDevice : public QIODevice
{
public:
    static constexpr qint64 MAX_RUN_BYTES = 64 * 1024 * 1024;

    enum class Error
    {
        None,
        RunTooLong, // more than MAX_RUN_BYTES without a "<"
    };

    // source stays owned by the caller and must be open for reading.
    explicit SurrogateJoiningDevice(QIODevice* source, qint64 maxRunBytes = MAX_RUN_BYTES);
    ~SurrogateJoiningDevice() override;

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

    Error error() const;
    qint64 errorLine() const;
    qint64 errorColumn() const;

    // References to lone surrogates replaced so far.
    qint64 replacedCount() const;
    // Takes the replacements that lie before a character offset of the document (as
    // QXmlStreamReader::characterOffset counts it) and returns how many there were.
    qint64 takeReplacementsBefore(qint64 characterOffset);

    class Scanner; // the scanning, over bytes or UTF-16 units (in the .cpp)

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    // Reads on from the source into m_out.
    void refill();

    QIODevice* m_source;
    qint64 m_maxRun;
    std::unique_ptr<Scanner> m_scanner; // made once the encoding is known
    QByteArray m_out;                   // handled, not yet read
    qsizetype m_outPos = 0;
    bool m_sourceDone = false;
};
