#pragma once

#include <QAbstractTableModel>
#include <functional>

class SendList;

// The send list as a table for the grid: one line per row and the twelve columns, or a single
// blank line that cannot be edited while the list is empty. The in-place editor's texts go
// through the window's handlers, which keep their traces.
class SendListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static inline const QStringList Headers{
        QStringLiteral("CMD"), QStringLiteral("D0"),    QStringLiteral("D1"),     QStringLiteral("D2"),
        QStringLiteral("D3"),  QStringLiteral("D4"),    QStringLiteral("D5"),     QStringLiteral("D6"),
        QStringLiteral("D7"),  QStringLiteral("Delay"), QStringLiteral("Senden"), QStringLiteral("Comment")};

    explicit SendListModel(SendList& list, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The list has gained or lost rows: the grid shows it anew.
    void refresh();
    // One row's cells have changed.
    void rowChanged(int row);
    // Whether grid line `line` (1 for the first row) has a row behind it.
    [[nodiscard]] bool hasRow(int line) const;

    // The editor's text at the start of editing, and every change in it, by grid line.
    std::function<QString(int column, int line)> getEditText;
    std::function<void(int column, int line, const QString& text)> setEditText;

private:
    SendList& m_list;
};
