// brenreport: the report of a period of brenmark logs.
#include <string>
#include <vector>

#include "reporter/report_run.hpp"

int main(int argc, char** argv) {
  return RunReport(std::vector<std::string>(argv + 1, argv + argc));
}
