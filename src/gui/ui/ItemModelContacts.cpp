#include "gui/ui/ItemModelContacts.h"

#include "core/store/Accounts.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"
#include "gui/frame/MessageBoxes.h"

ItemModelContacts::ItemModelContacts(QObject* parent)
    : QAbstractItemModel(parent), m_contactIcon(QStringLiteral(":/res/contact.png"))
{}

void ItemModelContacts::reload()
{
    try {
        reloadFrom(currentDatabase());
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void ItemModelContacts::reloadFrom(Sqlite3DB* db)
{
    QList<ContactEntry> entries = loadContacts(db);
    // A reset (rather than a bare layout change) drops the views' indexes into the old list,
    // whose entries they point at.
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

int ItemModelContacts::rowOfSuffix(const QString& suffix) const
{
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries.at(row).suffix == suffix)
            return row;
    }
    return -1;
}

int ItemModelContacts::noteMessage(const SMSInfo& sms)
{
    const QString suffix = conversationSuffix(sms.address);
    const int old = rowOfSuffix(suffix);
    ContactEntry entry;
    if (!loadContact(currentDatabase(), suffix, entry)) {
        if (old >= 0) {
            beginRemoveRows(QModelIndex(), old, old);
            m_entries.removeAt(old);
            endRemoveRows();
        }
        return -1;
    }
    int row = 0;
    while (row < m_entries.size() && (row == old || listedBefore(m_entries.at(row), entry)))
        ++row;
    const int target = old >= 0 && row > old ? row - 1 : row;
    if (old < 0) {
        beginInsertRows(QModelIndex(), target, target);
        m_entries.insert(target, entry);
        endInsertRows();
        return target;
    }
    if (target != old) {
        beginMoveRows(QModelIndex(), old, old, QModelIndex(), target > old ? target + 1 : target);
        m_entries.move(old, target);
        endMoveRows();
    }
    m_entries[target] = entry;
    emit dataChanged(index(target, 0), index(target, 0));
    return target;
}

QModelIndex ItemModelContacts::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    return createIndex(row, column, const_cast<ContactEntry*>(&m_entries.at(row)));
}

QModelIndex ItemModelContacts::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int ItemModelContacts::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int ItemModelContacts::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ItemModelContacts::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_entries.at(index.row()).displayText();
    if (role == Qt::DecorationRole)
        return m_contactIcon;
    return QVariant();
}

QVariant ItemModelContacts::headerData(int, Qt::Orientation, int) const
{
    return QVariant();
}
