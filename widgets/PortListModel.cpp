#include "PortListModel.h"

PortListModel::PortListModel(QStringList names, QStringList descriptions, QObject* parent)
    : QAbstractListModel(parent),
      m_names(std::move(names)),
      m_descriptions(std::move(descriptions))
{
    while (m_descriptions.size() < m_names.size())
        m_descriptions << QString();
}

int PortListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_names.size()); }

QVariant PortListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    const QString& name = m_names[index.row()];
    const QString& what = m_descriptions[index.row()];
    switch (role) {
    case Qt::DisplayRole: return what.isEmpty() ? name : name + QStringLiteral("   ") + what;
    case Qt::EditRole: return name;
    case Qt::ToolTipRole: return what.isEmpty() ? QVariant() : QVariant(what);
    default: return {};
    }
}

QString PortListModel::descriptionOf(const QString& name) const
{
    const qsizetype i = m_names.indexOf(name);
    return i < 0 ? QString() : m_descriptions[i];
}
