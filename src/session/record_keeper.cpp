#include "session/record_keeper.hpp"

#include "platform/output_file.hpp"

namespace quorvane {

RecordKeeper::RecordKeeper(StorageFile& storage, std::ostream& err) : storage_(storage), err_(err) {
  storage_.on_fresh_start([this](const std::filesystem::path& path) { fresh_start(path); });
}

void RecordKeeper::start_cycle(const FilterRequirements& design) {
  ++cycle_;
  design_ = design;
}

void RecordKeeper::fresh_start(const std::filesystem::path& storage) {
  record_ = stored::DesignRecord{};
  if (!storage_.regular()) return;  // a pipe or a device: nothing a record could describe
  record_.storage_file = storage.filename().string();
  write(storage);
}

void RecordKeeper::add(Mark before, stored::RecordedReport::Content content) {
  if (!storage_.is_open() || !storage_.regular()) return;
  const long first = storage_.starts() == before.starts ? before.lines + 1 : 1;
  if (storage_.lines() < first) return;  // the phase did not store
  if (record_.cycles.empty() || record_.cycles.back().session_cycle != cycle_)
    record_.cycles.push_back({cycle_, design_, {}});
  record_.cycles.back().reports.push_back({{first, storage_.lines()}, std::move(content)});
  write(storage_.path());
}

void RecordKeeper::write(const std::filesystem::path& storage) {
  record_.storage_lines = storage_.lines();
  record_.storage_bytes = storage_.bytes();
  record_.storage_digest = storage_.digest();
  const std::filesystem::path path = stored::record_path(storage);
  const std::string reason = platform::write_output_file(path, stored::record_text(record_));
  if (reason.empty()) {
    told_.clear();
  } else if (told_ != path) {  // told once, not after every report
    err_ << "Quorvane: cannot write the design record \"" << path.filename().string() << "\": " << reason << ".\n";
    err_.flush();
    told_ = path;
  }
}

stored::RecordedDimensions recorded_dimensions(const DesignState& state, float z0_aim, DimensionalResult result) {
  return {state.construction, state.qvnms.b, state.qvnms.thick, z0_aim, std::move(result)};
}

stored::RecordedAnalysis recorded_analysis(const DesignState& state) {
  const Qvnms& ms = state.qvnms;
  return {state.construction.msorsl, state.construction.er, state.qvnfreq.fstart, state.qvnfreq.fstop,
          state.qvnfreq.fstep,       state.qvnzo.zs,         state.qvnzo.zl,       state.aloss1.res,
          state.aloss1.sr,           state.aloss1.tlos,      state.control.ivswr,  state.flength,
          ms.b,                      ms.thick,               ms.wc,                ms.sc,
          state.qvnzo.zoec,          state.qvnzo.zooc,       state.qvna1.freqoe,   state.qvna1.freqoo};
}

}  // namespace quorvane
