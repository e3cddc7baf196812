#include "em/openems_run.hpp"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace quorvane::em {

namespace {

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

std::string find_executable(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

bool parse_progress(const std::string& line, long long& timestep, double& db) {
  const auto ts = line.find("Timestep:");
  if (ts == std::string::npos) return false;
  timestep = std::atoll(line.c_str() + ts + 9);
  const auto open = line.find("(-", ts);
  if (open != std::string::npos) db = -std::atof(line.c_str() + open + 2);
  return true;
}

RunReport run_openems(const std::string& exe, const std::filesystem::path& folder, const std::string& input,
                      int threads, double end_db, const std::string& label, std::ostream& log) {
  RunReport r;
  const auto start = std::chrono::steady_clock::now();
  const std::string cmd = "cd " + quoted(folder.string()) + " && exec " + quoted(exe) + " " + quoted(input) +
                          " --engine=multithreaded --numThreads=" + std::to_string(threads) + " 2>&1";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) {
    r.error = "cannot start openEMS";
    return r;
  }
  std::string line, tail;
  char buf[4096];
  double first_db = 0, first_s = -1;
  while (std::fgets(buf, sizeof buf, pipe) != nullptr) {
    line += buf;
    if (line.empty() || line.back() != '\n') {
      if (line.size() < 65536) continue;
    }
    long long ts = 0;
    double db = 0;
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (parse_progress(line, ts, db)) {
      r.timesteps = ts;
      if (db < 0) r.end_db = db;
      if (first_s < 0 && db < -3) {
        first_s = now;
        first_db = db;
      }
      // Time left from the rate of decay since the first clear fall.
      std::string left = "?";
      if (first_s >= 0 && db < first_db && now > first_s) {
        const double rate = (first_db - db) / (now - first_s);  // dB per second
        left = std::to_string(static_cast<long long>(std::max(0.0, (db - end_db) / rate))) + " s";
      }
      log << "  " << label << ": timestep " << ts << ", energy " << db << " dB (end at " << end_db
          << " dB), about " << left << " left\n"
          << std::flush;
    } else if (line.find("rror") != std::string::npos) {
      tail = line;
    }
    line.clear();
  }
  const int status = pclose(pipe);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (status != 0) {
    r.error = "openEMS ended with status " + std::to_string(status) + (tail.empty() ? "" : ": " + tail);
    while (!r.error.empty() && (r.error.back() == '\n' || r.error.back() == '\r')) r.error.pop_back();
    return r;
  }
  r.ok = true;
  return r;
}

}  // namespace quorvane::em
