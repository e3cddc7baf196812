// The rows of a sweep computed on worker threads and written in order by
// the calling thread alone.
#pragma once

#include "analysis/filter_network.hpp"
#include "analysis/sweep.hpp"

namespace quorvane {

// What every row of a sweep needs; read only while the rows are computed.
struct SweepRows {
  const FilterNetwork& network;
  Complex zsc, zlc;
  float fstep;
  int ivswr;
};

// The rows of a sweep through `report`, in order, on every thread the sweep
// may use; a sweep of one block, or on one thread, runs on the caller alone.
void sweep_rows(const SweepRows& rows, const Qvnfreq& range, long count, Report& report);

}  // namespace quorvane
