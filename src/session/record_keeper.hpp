// Keeps the design record beside the open storage file: after each report
// stored there, the record of the file is replaced whole by one that adds
// the report; a file started afresh first gets an empty record, before what
// it held is dropped, so that the record never names lines the file no
// longer holds.  The record is a companion: when it cannot be written, one
// line on the error stream names it and the reason (once, until it is
// written again), and the session goes on.  A storage file that is not a
// regular file (a pipe, a device) has no record.
#pragma once

#include <filesystem>
#include <ostream>

#include "dialogue/storage.hpp"
#include "stored/design_record.hpp"

namespace quorvane {

class RecordKeeper {
 public:
  RecordKeeper(StorageFile& storage, std::ostream& err);

  // Where the storage file stands before a phase (taken before its storage question).
  struct Mark {
    long starts = 0;
    long lines = 0;
  };
  Mark mark() const { return {storage_.starts(), storage_.lines()}; }

  // A new design cycle, with its entered design.
  void start_cycle(const FilterRequirements& design);
  // The report of a phase that began at `before` is complete: recorded when
  // it went to the storage file.
  void add(Mark before, stored::RecordedReport::Content content);

 private:
  void fresh_start(const std::filesystem::path& storage);
  void write(const std::filesystem::path& storage);

  StorageFile& storage_;
  std::ostream& err_;
  stored::DesignRecord record_;
  int cycle_ = 0;
  FilterRequirements design_;
  std::filesystem::path told_;  // the record whose failure the error stream was told
};

// What a dimensional report and an analysis report record of the state.
stored::RecordedDimensions recorded_dimensions(const DesignState& state, float z0_aim, DimensionalResult result);
stored::RecordedAnalysis recorded_analysis(const DesignState& state);

}  // namespace quorvane
