#pragma once
// The report's figures in one pass over the readings, in bounded memory:
// one day is open at a time, and days, excursions and gaps go to the sink as
// they close.
#include <cstdint>
#include <optional>

#include "reporter/figures.hpp"

struct StatisticsRules {
  std::optional<double> high;
  std::optional<double> low;
  int64_t stale_s = 600;
  Unit unit = Unit::kCelsius;
  double activation_energy_kj = 83.144;
  // The period's local bounds, when given: days without readings in them
  // are days of the report too.
  std::optional<int64_t> from;
  std::optional<int64_t> to;  // excluded
  // Local seconds to UTC (the first of the repeated hour); a seam for tests.
  int (*zone_rules)(int64_t local_seconds, int64_t utc[2]) = nullptr;
};

class StatisticsSink {
 public:
  virtual ~StatisticsSink() = default;
  virtual void Day(const DayFigures& day) = 0;
  virtual void Excursion(const Excursion& excursion) = 0;
  virtual void Gap(const Gap& gap) = 0;
};

// The mean kinetic temperature of figures, in the rules' unit.
double MeanKineticTemperature(const Figures& figures, const StatisticsRules& rules);

class PeriodStatistics {
 public:
  PeriodStatistics(const StatisticsRules& rules, StatisticsSink& sink);
  // Readings in the order of the logs, within the period.
  void Take(const Reading& reading);
  // Closes what is open: an excursion as ongoing, the last day, the empty
  // days to the period's end.
  void Finish();
  const Figures& period() const { return period_; }

 private:
  void AddSpan(int64_t seconds, double value);
  void CloseDay();
  void OpenDay(int64_t day);
  void MoveToDay(int64_t day, int64_t from_utc, int64_t to_utc, bool counted, double value);
  void FollowExcursion(const Reading& reading);
  int64_t MidnightUtc(int64_t day) const;

  StatisticsRules rules_;
  StatisticsSink& sink_;
  double energy_over_r_ = 0.0;
  Figures period_;
  bool day_open_ = false;
  DayFigures day_;
  bool has_previous_ = false;
  Reading previous_;
  bool in_excursion_ = false;
  Excursion excursion_;
};
