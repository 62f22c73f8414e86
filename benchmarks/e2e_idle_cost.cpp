// idle_cost: what zempc costs while nothing happens. It runs on the current display with its link
// open on a pseudo-terminal that stays silent; over the measuring time its CPU time (utime + stime
// of /proc/<pid>/stat) and its wake-ups (voluntary and involuntary context switches of every
// thread, /proc/<pid>/task/*/status) are counted, and each thread's share is shown.
//
// ZEM_BENCH_SECONDS sets the measuring time (default 10).

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "benchmarks/e2e_common.h"
#include "tests/e2e/support/Wait.h"
#include "tests/e2e/support/XSession.h"
#include "tests/e2e/support/ZemUnderTest.h"

using namespace e2e;

namespace {

struct TThreadFigures {
  std::string name;
  long switches = 0;  // voluntary + involuntary
  long cpuTicks = 0;  // utime + stime
};

using TSnapshot = std::map<long, TThreadFigures>;  // by thread id

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// utime + stime from a stat line; the fields after the command name, which is in parentheses and
// may hold blanks, are counted from its closing parenthesis.
long CpuTicks(const std::string& stat) {
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int index = 3; fields >> field; ++index) {
    if (index == 14) utime = std::stol(field);
    if (index == 15) {
      stime = std::stol(field);
      break;
    }
  }
  return utime + stime;
}

long StatusNumber(const std::string& status, const std::string& key) {
  const size_t at = status.find(key + ":");
  if (at == std::string::npos) return 0;
  return std::stol(status.substr(at + key.size() + 1));
}

TSnapshot Snapshot(pid_t pid) {
  TSnapshot snapshot;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    const std::string status = ReadFile(task.path() / "status");
    if (status.empty()) continue;  // the thread has just ended
    TThreadFigures figures;
    std::string comm = ReadFile(task.path() / "comm");
    if (!comm.empty() && comm.back() == '\n') comm.pop_back();
    figures.name = comm;
    figures.switches = StatusNumber(status, "voluntary_ctxt_switches") +
                       StatusNumber(status, "nonvoluntary_ctxt_switches");
    figures.cpuTicks = CpuTicks(ReadFile(task.path() / "stat"));
    snapshot[std::stol(task.path().filename().string())] = figures;
  }
  return snapshot;
}

long ProcessCpuTicks(pid_t pid) {
  return CpuTicks(ReadFile("/proc/" + std::to_string(pid) + "/stat"));
}

}  // namespace

int main() {
  using namespace e2e_bench;
  if (!TXSession::DisplayOpens()) return NotRun("idle_cost", "no X display (set DISPLAY)");
  const long seconds = EnvNumber("ZEM_BENCH_SECONDS", 10);
  try {
    TXSession x;
    TZemUnderTest zem(x);
    const pid_t pid = zem.Process().Pid();
    std::this_thread::sleep_for(std::chrono::seconds(1));  // let start-up settle

    const TSnapshot before = Snapshot(pid);
    const long cpuBefore = ProcessCpuTicks(pid);
    const auto started = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const TSnapshot after = Snapshot(pid);
    const long cpuAfter = ProcessCpuTicks(pid);
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();

    const double msPerTick = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::printf("zempc with an open, idle link on a pseudo-terminal, measured for %.1f s\n",
                elapsed);
    std::printf("%-8s %-18s %10s %10s\n", "thread", "name", "wake-ups", "cpu ms");
    long switches = 0;
    for (const auto& [tid, figures] : after) {
      const auto earlier = before.find(tid);
      const long threadSwitches =
          figures.switches - (earlier != before.end() ? earlier->second.switches : 0);
      const long threadTicks =
          figures.cpuTicks - (earlier != before.end() ? earlier->second.cpuTicks : 0);
      switches += threadSwitches;
      std::printf("%-8ld %-18s %10ld %10.0f\n", tid, figures.name.c_str(), threadSwitches,
                  static_cast<double>(threadTicks) * msPerTick);
    }
    for (const auto& [tid, figures] : before) {
      if (after.count(tid) == 0)
        std::printf("%-8ld %-18s ended meanwhile\n", tid, figures.name.c_str());
    }
    const double cpuMs = static_cast<double>(cpuAfter - cpuBefore) * msPerTick;
    std::printf("idle_cost cpu_ms=%.0f wakeups_per_s=%.2f\n", cpuMs,
                static_cast<double>(switches) / elapsed);
    return 0;
  } catch (const std::exception& error) {
    std::printf("idle_cost: failed: %s\n", error.what());
    return 1;
  }
}
