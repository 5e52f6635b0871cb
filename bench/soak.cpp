// Many Rover Tests back to back in one window, in virtual time: a day's use
// must leave memory and descriptors where the first test left them.
#include <chrono>
#include <iterator>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "measures.h"
#include "tests/support/Scenario.h"

namespace bench {

namespace {

struct Usage {
  long residentKiB = 0;
  long descriptors = 0;
};

Usage Now() {
  Usage usage;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) usage.residentKiB = std::stol(line.substr(6));
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  usage.descriptors = std::distance(begin(fds), end(fds));
  return usage;
}

}  // namespace

std::vector<Row> Soak(int runs) {
  scenario::Scenario scenario;
  Usage first, last;
  const auto start = std::chrono::steady_clock::now();
  for (int run = 1; run <= runs; ++run) {
    scenario.Click(scenario.Form().Test1);
    // The headless window keeps every box it showed: the bench's memory, not
    // the program's.
    scenario.Ui().boxes.clear();
    (run == 1 ? first : last) = Now();
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", spent.count());
  const std::string n = std::to_string(runs);
  return {{"Soak, " + n + " Rover Tests in virtual time", seconds, ""},
          {"  RSS after Rover Test 1", std::to_string(first.residentKiB) + " kB", ""},
          {"  RSS after Rover Test " + n, std::to_string(last.residentKiB) + " kB", "flat"},
          {"  open descriptors after Rover Test 1", std::to_string(first.descriptors), ""},
          {"  open descriptors after Rover Test " + n, std::to_string(last.descriptors), "flat"}};
}

}  // namespace bench
