#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The port names of the setup dialog's list, each shown with what it is ("ttyUSB0   FT232R USB
// UART (A10K2F3Q)"); the name alone is what the list's edit line takes.
class PortListModel : public QAbstractListModel {
    Q_OBJECT
public:
    PortListModel(QStringList names, QStringList descriptions, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] const QStringList& names() const { return m_names; }
    // The description of `name`, empty for a name that is not listed or has none.
    [[nodiscard]] QString descriptionOf(const QString& name) const;

private:
    QStringList m_names;
    QStringList m_descriptions;
};
