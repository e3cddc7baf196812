#include "session/dialogue.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>

#include "analysis/analysis_setup.hpp"
#include "dialogue/console.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/storage.hpp"
#include "dialogue/version.hpp"
#include "dimensions/construction_entry.hpp"
#include "dimensions/dimensional_report.hpp"
#include "session/design_warnings.hpp"
#include "session/record_keeper.hpp"
#include "synthesis/design_entry.hpp"
#include "synthesis/electrical_synthesis.hpp"

namespace quorvane {

using fmt::I;
using fmt::X;

namespace {

// Where the dialogue goes next.
enum class Step { kMenu1, kMenu2, kMenu3, kConstruction, kAnalysis, kNewCycle, kExit };

class Dialogue {
 public:
  explicit Dialogue(const DialogueEnvironment& env)
      : env_(env), console_(env.in, env.out), storage_(env.folder), report_(console_, storage_, state_.control),
        records_(storage_, env.err) {
    console_.observe(env.on_line);
    console_.forgive_typos(env.terminal);
    console_.warn_to(&env.err);
  }

  int run();

 private:
  bool load_defaults();
  Step design_cycle();
  Step menu1();
  Step menu2();
  [[maybe_unused]] Step menu3();  // shown after the frequency analysis
  Step construction();
  Step analysis();
  void banner();

  const DialogueEnvironment& env_;
  DesignState state_;
  Console console_;
  StorageFile storage_;
  Report report_;
  RecordKeeper records_;
};

bool Dialogue::load_defaults() {
  const std::filesystem::path path = env_.folder / kDefaultsFileName;
  const std::string name = std::string("Quorvane: the defaults file ") + kDefaultsFileName;
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw DialogueStop(std::string("Quorvane: ") + kDefaultsFileName +
                       " must be a file in the current folder; a folder of that name is there.");
  }
  // Opened without waiting, so that a FIFO nobody writes cannot hold the
  // start; the file's identity keeps storage names off it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    throw DialogueStop(name + " must be in the current folder (" + system_reason(error) + ").");
  }
  struct stat st {};
  const bool known = fstat(fd, &st) == 0;
  ::close(fd);
  if (known && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
    throw DialogueStop(name + " must be a file in the current folder; a " +
                       (S_ISFIFO(st.st_mode) ? "FIFO" : "socket") + " of that name is there.");
  }
  if (known) storage_.protect(st.st_dev, st.st_ino, "the defaults file in use");
  // The record of the session is another file no storage name may take.
  if (struct stat record {}; !env_.record_file.empty() && ::stat(env_.record_file.c_str(), &record) == 0)
    storage_.protect(record.st_dev, record.st_ino, "the record file of this session");
  errno = 0;
  std::ifstream file(path);
  if (!file.is_open()) {
    const int error = errno;
    throw DialogueStop(name + " must be in the current folder (" + system_reason(error) + ").");
  }
  DefaultsReading reading;
  try {
    reading = read_defaults(file);
  } catch (const ReadFailure& failure) {
    throw DialogueStop(name + " cannot be read (" + failure.what() + ").");
  }
  if (file.bad()) throw DialogueStop(name + " cannot be read.");
  if (!reading.ok) {
    for (const auto& line : reading.message) console_.line(line);
    console_.pause();
    return false;
  }
  state_.defaults = reading.values;
  return true;
}

void Dialogue::banner() {
  const ClockReading& c = state_.clock;
  console_.line();
  console_.line();
  console_.line();
  console_.line(X(16) + "  RF/Microwave Computer-Aided Engineering Software.");
  console_.line(X(16) + " Program: " + std::string(kProgramTitle) + "       Date: " + I(c.month, 2) + "/" + I(c.day, 2) + "/" +
                I(c.year, 4));
  console_.line();
  console_.line();
  console_.line(X(1) + "This program performs Electrical SYNTHESIS, Dimensional" + " SYNTHESIS and");
  console_.line(X(1) + "Frequency ANALYSIS of multi-section Parallel Coupled Line" + " Bandpass Filters");
  console_.line(X(1) + "exhibiting a Tchebyscheff or Butterworth response across" + " its passband,");
  console_.line(X(1) + "with construction in Microstrip or Stripline.");
  console_.line();
  console_.line(X(1) + "Please enter the following Design Data:");
}

Step Dialogue::design_cycle() {
  state_.clock = env_.clock();
  banner();
  run_design_entry(console_, state_);
  const RecordKeeper::Mark before = records_.mark();
  ask_storage(StorageOccasion::kElectrical, console_, storage_, state_);
  ElectricalDesign design = run_electrical_synthesis(state_, report_);
  records_.start_cycle(state_.filter);
  records_.add(before, std::move(design));
  return Step::kMenu1;
}

Step Dialogue::menu1() {
  console_.line();
  console_.line(X(5) + "SYNTHESIS of the Distributed Electrical Circuit" + " for your Filter completed.");
  console_.line(X(5) + "Please select your next OPERATION:");
  console_.line(X(10) + " 1: Frequency ANALYSIS of your Bandpass Filter.");
  console_.line(X(10) + "*2: SYNTHESIS of Physical Dimensions for your Filter (Default).");
  console_.line(X(10) + " 3: Design a NEW Parallel Coupled Line Bandpass Filter.");
  console_.line(X(10) + " 4: EXIT to operating system.");
  const int choice = console_.choice(X(5) + "OPERATION selected = ");
  state_.construction.msorsl = 0;
  switch (choice) {
    case 0:
    case 2: return Step::kConstruction;
    case 1: return Step::kAnalysis;
    case 3: return Step::kNewCycle;
    default: return Step::kExit;
  }
}

Step Dialogue::menu2() {
  console_.line();
  console_.line(X(5) + "SYNTHESIS of Physical Dimensions for your Filter completed.");
  console_.line(X(5) + "Please select your next OPERATION:");
  console_.line(X(10) + "*1: Perform a Frequency ANALYSIS of your Bandpass Filter (Default).");
  console_.line(X(10) + " 2: Change Physical CONSTRUCTION of your Bandpass Filter");
  console_.line(X(10) + " 3: Design a NEW Parallel Coupled Line Bandpass Filter.");
  console_.line(X(10) + " 4: EXIT to operating system.");
  switch (console_.choice(X(5) + "OPERATION selected = ")) {
    case 0:
    case 1: return Step::kAnalysis;
    case 2: return Step::kConstruction;
    case 3: return Step::kNewCycle;
    default: return Step::kExit;
  }
}

Step Dialogue::menu3() {
  console_.line();
  console_.line(X(5) + "Frequency Analysis of your Bandpass Filter completed.");
  console_.line(X(5) + "Please select your next OPERATION:");
  console_.line(X(10) + " 1: Change ANALYSIS Frequencies and Re-run.");
  console_.line(X(10) + " 2: Change Physical CONSTRUCTION of your Bandpass Filter");
  console_.line(X(10) + " 3: Design a NEW Parallel Coupled Line Bandpass Filter.");
  console_.line(X(10) + "*4: EXIT to operating system (Default).");
  switch (console_.choice(X(5) + "OPERATION selected = ")) {
    case 1: return Step::kAnalysis;
    case 2: return Step::kConstruction;
    case 3: return Step::kNewCycle;
    default: return Step::kExit;
  }
}

// The construction, the substrate and the thickness are asked afresh; the
// dimensions are recomputed from the unchanged electrical design.
Step Dialogue::construction() {
  run_construction_entry(console_, state_);
  const RecordKeeper::Mark before = records_.mark();
  ask_storage(StorageOccasion::kDimensions, console_, storage_, state_);
  const float aim = z0_aim(state_);
  DimensionalResult dimensions = run_dimensional_synthesis(state_, report_);
  records_.add(before, recorded_dimensions(state_, aim, std::move(dimensions)));
  const double tand = env_.loss_tangent > 0.0 ? env_.loss_tangent : state_.defaults.tlosdef;
  for (const std::string& w : dimension_warnings(state_, env_.board_minimum_inch, tand)) console_.warn(w);
  return Step::kMenu2;
}

Step Dialogue::analysis() {
  const RecordKeeper::Mark before = records_.mark();
  run_analysis(console_, storage_, report_, state_);
  records_.add(before, recorded_analysis(state_));
  for (const std::string& w : sweep_warnings(state_)) console_.warn(w);
  return Step::kMenu3;
}

int Dialogue::run() {
  if (!load_defaults()) return 0;
  // Every step reads at least one console line, so the end of the input
  // ends the walk through the menus.
  Step step = Step::kNewCycle;
  for (;;) {
    switch (step) {
      case Step::kNewCycle: step = design_cycle(); break;
      case Step::kMenu1: step = menu1(); break;
      case Step::kMenu2: step = menu2(); break;
      case Step::kMenu3: step = menu3(); break;
      case Step::kConstruction: step = construction(); break;
      case Step::kAnalysis: step = analysis(); break;
      case Step::kExit:
        storage_.finish();
        return 0;
    }
  }
}

}  // namespace

int run_dialogue(const DialogueEnvironment& env) {
  try {
    Dialogue dialogue(env);
    const int status = dialogue.run();
    Console(env.in, env.out).flush();
    return status;
  } catch (const DialogueStop& stop) {
    env.out.flush();
    env.err << stop.what() << '\n';
    env.err.flush();
    return 1;
  }
}

ClockReading read_local_clock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return ClockReading{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace quorvane
