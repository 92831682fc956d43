#pragma once
// What a report says of a stretch of readings: the running figures of the
// period and of one day, an excursion, a gap. Each is a fixed-size record, so
// long lists of them can wait in a spool file.
#include <cstdint>
#include <cstring>
#include <string_view>

// The number as the log wrote it, cut to what a record holds.
struct WrittenNumber {
  char text[32] = {};
  void Set(std::string_view number) {
    size_t n = number.size() < sizeof text - 1 ? number.size() : sizeof text - 1;
    std::memcpy(text, number.data(), n);
    text[n] = '\0';
  }
  std::string_view View() const { return text; }
};

struct Reading {
  int64_t local = 0;  // the stamp as written, counted as if UTC
  int64_t utc = 0;    // the real second it stands for
  double value = 0.0;
  std::string_view text;  // the number as written
};

// How readings turn into kelvin, and back for the MKT.
enum class Unit { kCelsius, kFahrenheit, kKelvin };
char UnitLetter(Unit unit);
double ToKelvin(Unit unit, double value);
double FromKelvin(Unit unit, double kelvin);

struct Figures {
  int64_t readings = 0;
  double minimum = 0.0;
  double maximum = 0.0;
  WrittenNumber minimum_text, maximum_text;
  int64_t minimum_time = 0;  // local
  int64_t maximum_time = 0;
  double sum = 0.0;
  double boltzmann_sum = 0.0;  // sum of exp(-(Ea/R)/T)
  int64_t above_high_s = 0;
  int64_t below_low_s = 0;
  int64_t missing_s = 0;

  void Take(const Reading& reading, double boltzmann_term);
  double Mean() const { return sum / static_cast<double>(readings); }
};

struct DayFigures {
  int64_t day = 0;  // days from 1970-01-01 of the local calendar day
  Figures figures;
};

enum class ExcursionKind : char { kHigh, kLow };

struct Excursion {
  ExcursionKind kind = ExcursionKind::kHigh;
  int64_t start = 0;  // local
  int64_t end = 0;    // local
  int64_t start_utc = 0;
  int64_t duration_s = 0;
  double peak = 0.0;
  WrittenNumber peak_text;
  int64_t readings = 0;
  bool ongoing = false;
};

struct Gap {
  int64_t from = 0;  // local
  int64_t to = 0;
  int64_t duration_s = 0;
};
