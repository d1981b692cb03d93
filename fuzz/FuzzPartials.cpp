// The partials file reader, long and short form, then the operations on the table it filled:
// every file that reads is written and read back (with English or German note names, as
// the input's length chooses), and the table stays in order through adding, deleting,
// rebuilding and classifying partials driven by the input's last bytes.

#include "FuzzCheck.h"
#include "support/ReadBack.h"

namespace {

void DriveTable(CPartialData& table, const std::uint8_t* data, std::size_t size) {
    for (std::size_t k = 0; k < std::min<std::size_t>(size, 16); ++k) {
        const std::uint8_t op = data[size - 1 - k];
        const int row = op % CPartialData::kMaxPartials;
        const double f = table.m_freq[static_cast<std::size_t>(row)];
        switch (op % 6) {
            case 0:
                table.AddPartial(f * 1.5 + op, op, op / 2.0, 0.0, 1.0, CPartialData::kUnnamed);
                break;
            case 1:
                table.DeleteRange(f - op, f + op);
                break;
            case 2:
                // Edit Partials writes rows in place, out of order, until its OK rebuilds.
                table.m_freq[static_cast<std::size_t>(op % 7 * 3)] = f * 0.75;
                table.Rebuild();
                break;
            case 3:
                table.m_nominal = table.Classify(op & 1, f - 1.0, f + 1.0);
                table.UpdateCentsAndNotes();
                break;
            case 4:
                table.m_germanNames = !table.m_germanNames;
                table.UpdateNotes();
                break;
            default:
                table.ResetPartialIndices();
                table.UpdateCentsAndNotes();
                break;
        }
        Require(PartialTableFaults(table), "partial table");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CTempDir folder;
    CReadBack check(folder.Path());
    Require(check.Partials(Bytes(data, size), size % 2 == 1), "partials read back");
    if (check.m_code == CPartialData::kReadOk)
        DriveTable(check.m_partials, data, size);
    return 0;
}
