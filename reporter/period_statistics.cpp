#include "reporter/period_statistics.hpp"

#include <algorithm>
#include <cmath>

#include "services/time/floor_divide.hpp"

namespace {

constexpr double kGasConstant = 8.314462618;  // J/(mol K)

int64_t DayOf(int64_t local) {
  return FloorDivide(local, 86400);
}

}  // namespace

double MeanKineticTemperature(const Figures& figures, const StatisticsRules& rules) {
  double energy_over_r = rules.activation_energy_kj * 1000.0 / kGasConstant;
  double mean = figures.boltzmann_sum / static_cast<double>(figures.readings);
  return FromKelvin(rules.unit, energy_over_r / -std::log(mean));
}

PeriodStatistics::PeriodStatistics(const StatisticsRules& rules, StatisticsSink& sink)
    : rules_(rules),
      sink_(sink),
      energy_over_r_(rules.activation_energy_kj * 1000.0 / kGasConstant) {}

int64_t PeriodStatistics::MidnightUtc(int64_t day) const {
  int64_t utc[2];
  rules_.zone_rules(day * 86400, utc);
  return utc[0];
}

void PeriodStatistics::OpenDay(int64_t day) {
  day_ = DayFigures{};
  day_.day = day;
  day_open_ = true;
}

void PeriodStatistics::CloseDay() {
  if (day_open_) sink_.Day(day_);
  day_open_ = false;
}

void PeriodStatistics::AddSpan(int64_t seconds, double value) {
  if (seconds <= 0) return;
  if (rules_.high && value > *rules_.high) {
    day_.figures.above_high_s += seconds;
    period_.above_high_s += seconds;
  } else if (rules_.low && value < *rules_.low) {
    day_.figures.below_low_s += seconds;
    period_.below_low_s += seconds;
  }
}

// Walks the open day forward to `day`, handing each day it leaves the part of
// the span [from_utc, to_utc) that lies in it (when the span counts).
void PeriodStatistics::MoveToDay(int64_t day, int64_t from_utc, int64_t to_utc, bool counted,
                                 double value) {
  int64_t cursor = from_utc;
  while (day_.day < day) {
    int64_t midnight = MidnightUtc(day_.day + 1);
    if (counted) {
      int64_t end = midnight < to_utc ? midnight : to_utc;
      AddSpan(end - cursor, value);
    }
    if (midnight > cursor) cursor = midnight;
    int64_t next = day_.day + 1;
    CloseDay();
    OpenDay(next);
  }
  if (counted && to_utc > cursor) AddSpan(to_utc - cursor, value);
}

void PeriodStatistics::FollowExcursion(const Reading& reading) {
  bool high = rules_.high && reading.value > *rules_.high;
  bool low = rules_.low && reading.value < *rules_.low;
  ExcursionKind kind = high ? ExcursionKind::kHigh : ExcursionKind::kLow;
  if (in_excursion_ && ((!high && !low) || kind != excursion_.kind)) {
    excursion_.end = reading.local;
    // A clock set back inside the run must not make a negative duration.
    excursion_.duration_s = std::max<int64_t>(0, reading.utc - excursion_.start_utc);
    sink_.Excursion(excursion_);
    in_excursion_ = false;
  }
  if (!high && !low) return;
  if (!in_excursion_) {
    excursion_ = Excursion{};
    excursion_.kind = kind;
    excursion_.start = reading.local;
    excursion_.start_utc = reading.utc;
    excursion_.peak = reading.value;
    excursion_.peak_text.Set(reading.text);
    in_excursion_ = true;
  } else if (high ? reading.value > excursion_.peak : reading.value < excursion_.peak) {
    excursion_.peak = reading.value;
    excursion_.peak_text.Set(reading.text);
  }
  ++excursion_.readings;
}

void PeriodStatistics::Take(const Reading& reading) {
  int64_t day = DayOf(reading.local);
  if (!day_open_) {
    // Days of the period before the first reading are days without readings.
    OpenDay(rules_.from && DayOf(*rules_.from) < day ? DayOf(*rules_.from) : day);
  }
  // A clock set back across midnight: the reading counts in the day open.
  if (day < day_.day) day = day_.day;
  if (has_previous_) {
    int64_t elapsed = reading.utc - previous_.utc;
    bool gap = elapsed > rules_.stale_s;
    if (gap) {
      day_.figures.missing_s += elapsed;
      period_.missing_s += elapsed;
      sink_.Gap(Gap{previous_.local, reading.local, elapsed});
    }
    MoveToDay(day, previous_.utc, reading.utc, !gap, previous_.value);
  } else {
    MoveToDay(day, 0, 0, false, 0.0);
  }
  FollowExcursion(reading);
  double term = std::exp(-energy_over_r_ / ToKelvin(rules_.unit, reading.value));
  day_.figures.Take(reading, term);
  period_.Take(reading, term);
  previous_ = reading;
  previous_.text = {};
  has_previous_ = true;
}

void PeriodStatistics::Finish() {
  if (in_excursion_) {
    excursion_.end = previous_.local;
    excursion_.duration_s = std::max<int64_t>(0, previous_.utc - excursion_.start_utc);
    excursion_.ongoing = true;
    sink_.Excursion(excursion_);
    in_excursion_ = false;
  }
  if (!day_open_ && rules_.from && rules_.to) OpenDay(DayOf(*rules_.from));
  if (day_open_ && rules_.to) {
    int64_t last = DayOf(*rules_.to - 1);
    while (day_.day < last) {
      int64_t next = day_.day + 1;
      CloseDay();
      OpenDay(next);
    }
  }
  CloseDay();
}
