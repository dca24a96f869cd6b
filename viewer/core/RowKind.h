#pragma once

namespace tlv::viewer {

// What a row of the grid is, from the decoder to the journal and the sheet: a record, a
// PCD status change, or a gap in the records (a "Miss n" or a "Restart" of the ring).
enum class RowKind { Record, Status, Miss, Restart };

// A gap shows dashes in its data cells and is never numbered.
[[nodiscard]] constexpr bool isSeparator(RowKind kind)
{
    return kind == RowKind::Miss || kind == RowKind::Restart;
}

} // namespace tlv::viewer
