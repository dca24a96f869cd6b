// Peak resident memory of a process that holds 5000 rows x 128 columns in the grid, each
// record decoded by the control's decoder. Prints "peak KB" and the rows held.
#include "BenchSupport.h"
#include "RecordAppend.h"

#include "viewer/core/RecordDecoder.h"
#include "viewer/core/RowStore.h"

#include <QCoreApplication>

#include <cstdio>

using namespace tlv;

namespace {

constexpr int Rows = 5000;
constexpr int Columns = 128;

} // namespace

int main(int argc, char **argv)
{
    bench::startWatchdog(120, "grid_memory");
    QCoreApplication app(argc, argv);
    const viewer::ColumnTable table = bench::mixedTable(Columns);
    viewer::RowStore store;
    store.setColumns(table);
    store.setMaxRows(Rows);
    const viewer::RecordDecoder decoder;
    for (int i = 0; i < Rows; ++i)
        bench::appendRecord(
            store, decoder.decode(table, bench::mixedWords(Columns, i), 0, nullptr));
    // Read every cell once, as a view or an export would.
    qint64 characters = 0;
    for (int r = 0; r < store.dataRowCount(); ++r) {
        for (int c = 0; c < store.columnCount(); ++c)
            characters += store.cellView(r, c).size();
    }
    std::printf("rows %d columns %d characters %lld peak %ld KB\n", store.dataRowCount(), Columns,
        static_cast<long long>(characters), bench::peakKilobytes());
    return store.dataRowCount() == Rows ? 0 : 1;
}
