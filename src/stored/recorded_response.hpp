// The response of a recorded analysis, computed again from the record: the
// network the sweep built from the recorded inputs, at the sweep's own
// frequencies (the running single-precision sum), so that every row has the
// bits of the row the dialogue printed, with its complex S-parameters.
#pragma once

#include <vector>

#include "analysis/sparam.hpp"
#include "analysis/sweep.hpp"
#include "stored/design_record.hpp"
#include "stored/storage_parser.hpp"

namespace quorvane::stored {

struct RecordedRow {
  ResponseRow row;   // as the table prints it
  SParameters sp;    // the complex values it was printed from
};

// The rows of `analysis` of `cycle`; none when the sweep was refused.
std::vector<RecordedRow> recorded_rows(const RecordedCycle& cycle, const RecordedAnalysis& analysis);

// The rows of the analysis report `report` of `storage` from the file's
// design record; none without a matching record, or when the rows do not
// pair one to one with the table's (a row of the table was not read).
std::vector<RecordedRow> recorded_rows(const ParsedStorage& storage, const StoredReport& report);

}  // namespace quorvane::stored
