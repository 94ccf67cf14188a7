#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QMap>
#include <memory>

#include "core/frame/MMSInfo.h"

// Reads an XML backup through, taking the "data" attribute of every "part" element out of the
// text: its Base64 is decoded as it streams by (into MMSData, which spills large attachments
// to a file) and the value becomes a short key ("@17") that take() exchanges for the bytes.
// So an XML reader never holds an attachment, whatever its size. Works on the bytes of an
// ASCII-compatible encoding or on the units of UTF-16; other text passes unchanged. Keys of parts
// whose data was not valid Base64 (or larger than MAX_DATA_BYTES) give null from take(). Line
// breaks in a value are kept after its key, so line numbers stay those of the file (columns after a
// key on its line do not).
class MMSDataFilter : public QIODevice
{
public:
    static constexpr qint64 MAX_DATA_BYTES = 512 * 1024 * 1024;
    // Data not taken is forgotten, oldest first, beyond this (parts outside any MMS).
    static constexpr qint64 MAX_HELD_BYTES = 256 * 1024 * 1024;

    // source stays owned by the caller and must be open for reading. Without keep, the bytes
    // are decoded (to tell broken data) and dropped.
    MMSDataFilter(QIODevice* source, bool keep);
    ~MMSDataFilter() override;

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

    // The bytes of a key, once: true when the value was a key the filter gave; data is null
    // when the part's data was broken.
    bool take(QStringView key, std::shared_ptr<const MMSData>& data);
    // Forgets the data of keys up to and including this one (parts a reader passed over).
    void dropUpTo(qint64 key);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    enum class State
    {
        Start,
        Text,
        TagOpen, // after "<"
        Special, // comment, CDATA, declaration, processing instruction
        TagName,
        InTag,    // of a part
        OtherTag, // of any other element
        AttrName,
        BeforeValue,
        Value,
        DataValue,
        Passthrough
    };

    void refill();
    // Tells the encoding from the first bytes.
    void startWith(QByteArrayView head);
    // Hands out ASCII text of the filter's own in the file's encoding.
    void put(QByteArrayView text);
    void handle(const char* bytes, qsizetype size);
    void startData();
    void dataByte(char c);
    void endData();
    void decodeHeld(bool last);

    QIODevice* m_source;
    bool m_keep;
    bool m_sourceDone = false;
    bool m_utf16 = false;
    bool m_bigEndian = false;
    int m_oddByte = -1;           // a UTF-16 unit's first byte, its second still to come
    QByteArray m_narrow;          // a UTF-16 chunk, one byte per unit
    const char* m_wide = nullptr; // the UTF-16 chunk being handled
    QByteArray m_out;
    qsizetype m_outPos = 0;

    State m_state = State::Start;
    QByteArray m_name;     // tag or attribute name being read
    bool m_inPart = false; // inside the start tag of a "part"
    char m_quote = 0;
    QByteArray m_specialEnd; // what ends the special section
    QByteArray m_recent;     // its last bytes

    // The data value being decoded.
    QByteArray m_base64;
    QByteArray m_entity; // inside "&...;"
    bool m_inEntity = false;
    int m_padding = 0;
    int m_lineBreaks = 0;
    bool m_broken = false;
    std::unique_ptr<MMSData::Writer> m_writer;
    qint64 m_decoded = 0;
    qint64 m_nextKey = 0;
    QMap<qint64, std::shared_ptr<const MMSData>> m_data;
    qint64 m_held = 0; // bytes of m_data
};
