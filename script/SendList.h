#pragma once

#include "SendRow.h"

#include <cstdint>
#include <vector>

// The rows of the script monitor in their order, with the list operations of its buttons.
// The grid shows one line per row; an emptied list shows one blank line that has no row.
class SendList {
public:
    [[nodiscard]] int size() const { return int(m_rows.size()); }
    [[nodiscard]] bool empty() const { return m_rows.empty(); }
    [[nodiscard]] bool contains(int index) const { return index >= 0 && index < size(); }
    [[nodiscard]] const SendRow& at(int index) const { return m_rows.at(std::size_t(index)); }
    [[nodiscard]] SendRow& at(int index) { return m_rows.at(std::size_t(index)); }
    [[nodiscard]] const std::vector<SendRow>& rows() const { return m_rows; }

    // Grid lines including the header: rows + 1, or 2 (a blank line) while the list is empty.
    [[nodiscard]] int lineCount() const { return empty() ? 2 : size() + 1; }
    // Counts every change of the list's shape (rows added, removed, cleared).
    [[nodiscard]] std::uint64_t generation() const { return m_generation; }
    // A number that names the row at `index` for as long as it is in the list and is never
    // given to another row, so that whoever holds a row index across a wait can tell whether
    // it still means that row.
    [[nodiscard]] std::uint64_t rowId(int index) const { return m_ids.at(std::size_t(index)); }

    void append(SendRow row = {});
    // "Entfernen": removes the row; the last row removed leaves one new empty row. An index
    // without a row (the blank line of an emptied list) changes nothing; returns whether a
    // row went.
    bool remove(int index);
    // "Liste Leeren"; the list is a new one then, for its file too (see utf8).
    void clear();

    // The list was read from a file in UTF-8 that holds more than ASCII, and is written back
    // in UTF-8. Any other list is written in Latin-1, as the older tool wrote it, as long as
    // its text fits.
    bool utf8 = false;

private:
    std::vector<SendRow> m_rows;
    std::vector<std::uint64_t> m_ids; // rowId of each row
    std::uint64_t m_generation = 0;
    std::uint64_t m_lastId = 0;
};
