#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>
#include <QString>

#include "core/frame/SMSInfo.h"
#include "core/store/ContactsQuery.h"

class Sqlite3DB;

// Flat one-column list of the account's conversations, the most recently active first.
class ItemModelContacts : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit ItemModelContacts(QObject* parent = nullptr);

    // Requeries the conversations of the current database. A database failure is shown in the
    // error box; the list stays as it was.
    void reload();
    // The same from the given database; throws Sqlite3Exception (used by reload and benches).
    void reloadFrom(Sqlite3DB* db);

    const QList<ContactEntry>& entries() const { return m_entries; }
    // Row of the first entry with that suffix, -1 when none.
    int rowOfSuffix(const QString& suffix) const;
    // Rereads the entry of a newly stored message's conversation from the current database and
    // moves it to its place in the order (or adds it), as requerying every conversation would.
    // Returns the entry's row, -1 when the conversation is gone. Throws Sqlite3Exception.
    int noteMessage(const SMSInfo& sms);

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<ContactEntry> m_entries;
    QIcon m_contactIcon;
};
