#pragma once

#include <QByteArray>
#include <QIODevice>

// Reads an XML file through, joining the pairs of numeric character references to UTF-16
// surrogates that phone backups write for characters above U+FFFF ("&#55357;&#56832;") into
// one reference to the character ("&#0000000128512;", as long as the pair, so that the XML
// reader's columns stay those of the file), which an XML reader accepts. The bytes are scanned
// without regard to XML context, as a phone writes such pairs only in attribute values and
// text. Reading stops (end of data) before a reference that cannot be joined, and before a run
// of more than MAX_RUN_BYTES without a "<" (one tag or text that an XML reader would hold in
// memory whole); error() then says why. Line and column count as an XML reader counts them
// (from 1, in UTF-16 units), in the file as written.
class SurrogateJoiningDevice : public QIODevice
{
public:
    static constexpr qint64 MAX_RUN_BYTES = 64 * 1024 * 1024;

    enum class Error
    {
        None,
        LoneSurrogate, // a reference to a surrogate without its other half
        RunTooLong,    // more than MAX_RUN_BYTES without a "<"
    };

    // source stays owned by the caller and must be open for reading.
    explicit SurrogateJoiningDevice(QIODevice* source, qint64 maxRunBytes = MAX_RUN_BYTES);

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

    Error error() const { return m_error; }
    qint64 errorLine() const { return m_errorLine; }
    qint64 errorColumn() const { return m_errorColumn; }
    // The reference that could not be joined, as written ("&#55357;").
    QByteArray errorReference() const { return m_errorReference; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    // A numeric character reference at a position of m_in.
    struct Reference
    {
        enum Kind
        {
            Incomplete, // runs past the bytes read so far
            Other,      // not a numeric reference, or one to a character not a surrogate
            High,
            Low
        } kind = Other;
        qsizetype length = 0;
        char32_t value = 0;
    };

    void refill();
    // Moves the bytes of m_in from `from` to `to` (exclusive) to m_out.
    void pass(qsizetype from, qsizetype to);
    // Where the next reference starts at or after `from`, or m_in.size().
    qsizetype findReference(qsizetype from) const;
    Reference referenceAt(qsizetype at) const;
    // Handles the reference at `at`; the position after it, or -1 when the rest of m_in must
    // wait for more bytes or reading has stopped.
    qsizetype handleReference(qsizetype at);
    void stop(Error error, qsizetype at, qsizetype length);
    // Advances the line and column count over bytes that reached m_out.
    void count(const char* bytes, qsizetype size);
    // How many of the bytes may pass before the run without "<" grows too long (all of them,
    // with the run counted on, or up to the "<" that began the long run).
    qsizetype bytesWithinRun(const char* bytes, qsizetype size);

    QIODevice* m_source;
    qint64 m_maxRun;
    QByteArray m_in;  // read from the source, not yet handled
    QByteArray m_out; // handled, not yet read
    qsizetype m_outPos = 0;
    bool m_sourceDone = false;
    qint64 m_line = 1;
    qint64 m_column = 0; // characters passed on the current line
    qint64 m_run = 0;    // bytes passed since the last "<"
    Error m_error = Error::None;
    qint64 m_errorLine = 0;
    qint64 m_errorColumn = 0;
    QByteArray m_errorReference;
};
