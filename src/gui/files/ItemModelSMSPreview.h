#pragma once

#include <QAbstractItemModel>
#include <QList>

#include "core/frame/SMSInfo.h"

// Read-only five-column list of previewed messages: Date, Flag, Name, Phone Number, Message.
class ItemModelSMSPreview : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit ItemModelSMSPreview(const QList<SMSInfo>& list);

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const QList<SMSInfo>& list() const { return m_smsList; }
    const SMSInfo& smsAt(int row) const { return m_smsList.at(row); }

private:
    QList<SMSInfo> m_smsList;
};
