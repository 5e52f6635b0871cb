// make bench: one table of the figures the README quotes. Real time, so the
// numbers depend on the machine; nothing here is a pass or fail.
#include <cstdio>
#include <string>
#include <vector>

#include "measures.h"

int main() {
  std::vector<bench::Row> rows;
  for (auto part :
       {bench::ReplyLatency(200), bench::IdleWaitCpu(20), bench::RoverTestCpu(10, 30),
        bench::RecognitionUnderFlood(), bench::Soak(500), bench::ReportOfLongSession(100000)})
    rows.insert(rows.end(), part.begin(), part.end());
  std::printf("%-44s %14s  %s\n", "Measure", "Value", "Target");
  for (const bench::Row& row : rows) {
    std::printf("%-44s %14s", row.measure.c_str(), row.value.c_str());
    std::printf(row.target.empty() ? "\n" : "  %s\n", row.target.c_str());
  }
  return 0;
}
