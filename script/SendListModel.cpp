#include "SendListModel.h"

#include "SendList.h"

SendListModel::SendListModel(SendList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list) {}

int SendListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_list.lineCount() - 1; }

int SendListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : SendColumn::Count; }

bool SendListModel::hasRow(int line) const { return line >= 1 && line <= m_list.size(); }

QVariant SendListModel::data(const QModelIndex& index, int role) const
{
    const int line = index.row() + 1;
    if (!index.isValid() || !hasRow(line))
        return {};
    const SendRow& row = m_list.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == SendColumn::Send ? QStringLiteral("Senden") : row.cellText(index.column());
    case Qt::EditRole: return getEditText ? getEditText(index.column(), line) : row.cellText(index.column());
    case Qt::ToolTipRole: return index.column() == SendColumn::Comment ? QVariant(row.Comment) : QVariant();
    default: return {};
    }
}

bool SendListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const int line = index.row() + 1;
    if (role != Qt::EditRole || !hasRow(line) || index.column() == SendColumn::Send)
        return false;
    if (setEditText)
        setEditText(index.column(), line, value.toString());
    else
        m_list.at(index.row()).setCellText(index.column(), value.toString());
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole});
    return true;
}

QVariant SendListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Headers.size())
        return {};
    return Headers[section];
}

Qt::ItemFlags SendListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (hasRow(index.row() + 1) && index.column() != SendColumn::Send)
        f |= Qt::ItemIsEditable;
    return f;
}

void SendListModel::refresh()
{
    beginResetModel();
    endResetModel();
}

void SendListModel::rowChanged(int row)
{
    if (hasRow(row + 1))
        Q_EMIT dataChanged(index(row, 0), index(row, SendColumn::Count - 1));
}
