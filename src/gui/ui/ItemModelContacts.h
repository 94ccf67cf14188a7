#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>
#include <QString>

#include "core/frame/SMSInfo.h"

class Sqlite3DB;

// One conversation of the account, as the contacts list shows it.
struct ContactEntry
{
    QString address;     // the greatest address among the conversation's messages
    QString person;      // the greatest name among them, empty when none has one
    QString suffix;      // the conversation key
    qint64 lastDate = 0; // stored date (seconds) of its newest message

    // "person(address)", the person, the address, or "Unknown".
    QString displayText() const;
};

// Flat one-column list of the account's conversations, the most recently active first.
class ItemModelContacts : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit ItemModelContacts(QObject* parent = nullptr);

    // Requeries the conversations of the current database. A database failure is shown in the
    // error box; the entries read before it stay.
    void reload();
    // The same from the given database; throws Sqlite3Exception (used by reload and benches).
    void reloadFrom(Sqlite3DB* db);

    const QList<ContactEntry>& entries() const { return m_entries; }
    // Row of the first entry with that suffix, -1 when none.
    int rowOfSuffix(const QString& suffix) const;
    // Takes a newly stored message into its conversation's entry, moving the entry to its place
    // in the order (or adding it), as requerying would. Returns the entry's row.
    int noteMessage(const SMSInfo& sms);

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    static const char* const contactsQuery;

private:
    QList<ContactEntry> m_entries;
    QIcon m_contactIcon;
};
