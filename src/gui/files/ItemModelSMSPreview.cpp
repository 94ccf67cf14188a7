#include "gui/files/ItemModelSMSPreview.h"

#include "core/frame/MessageDate.h"
#include "gui/frame/MessageBoxes.h"

namespace {
constexpr int columnTotal = 5;
}

ItemModelSMSPreview::ItemModelSMSPreview(const QList<SMSInfo>& list)
    : QAbstractItemModel(nullptr), m_smsList(list)
{}

QModelIndex ItemModelSMSPreview::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= m_smsList.size() || column < 0 ||
        column >= columnTotal)
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex ItemModelSMSPreview::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int ItemModelSMSPreview::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_smsList.size());
}

int ItemModelSMSPreview::columnCount(const QModelIndex&) const
{
    return columnTotal;
}

QVariant ItemModelSMSPreview::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_smsList.size())
        return QVariant();
    if (role == Qt::ToolTipRole)
        return plainToolTip(data(index, Qt::DisplayRole).toString());
    if (role != Qt::DisplayRole)
        return QVariant();
    const SMSInfo& sms = m_smsList.at(index.row());
    switch (index.column()) {
    case 0:
        return messageDateText(sms.date);
    case 1:
        return sms.isSend ? QStringLiteral("To") : QStringLiteral("From");
    case 2:
        return sms.person;
    case 3:
        return sms.address;
    case 4:
        return sms.body;
    default:
        return QVariant();
    }
}

QVariant ItemModelSMSPreview::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const char* const headers[columnTotal] = {"Date", "Flag", "Name", "Phone Number",
                                                     "Message"};
    if (section < 0 || section >= columnTotal)
        return QVariant();
    return QString::fromLatin1(headers[section]);
}
