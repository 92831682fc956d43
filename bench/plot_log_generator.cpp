// Writes a brenmark log of N records for the brenplot benchmark: the default
// layout (tab, CR LF), one reading every 2 s from 2013-10-01 00:00:00, a slow
// random walk with a spike now and then, a mode switch each 100,000 records
// and a run end each 1,000,000.
//
//   plot_log_generator N FILE
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int DaysIn(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: plot_log_generator N FILE\n");
    return 2;
  }
  long long count = std::atoll(argv[1]);
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  static char buffer[1 << 20];
  std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
  int year = 2013, month = 10, day = 1, hour = 0, minute = 0, second = 0;
  unsigned state = 12345;
  int centi = 7250;  // hundredths of a degree
  for (long long i = 0; i < count; ++i) {
    if (i > 0 && i % 100000 == 0) {
      std::fprintf(out, ";Celsius mode %s\r\n", i / 100000 % 2 ? "on" : "off");
    }
    state = state * 1103515245u + 12345u;
    centi += static_cast<int>((state >> 16) % 5) - 2;
    if (centi < 6500 || centi > 8000) centi = 7250;
    int shown = (state >> 8) % 50000 == 0 ? centi + 2000 : centi;
    std::fprintf(out, "%04d-%02d-%02d\t%02d:%02d:%02d\t%d.%02d\r\n", year, month, day, hour, minute,
                 second, shown / 100, shown % 100);
    if (i > 0 && i % 1000000 == 0) {
      std::fprintf(out, "Exit Code: 50 at %02d:%02d:%02d on %02d-%02d-%04d\r\n", hour, minute,
                   second, month, day, year);
    }
    second += 2;
    if (second >= 60) second -= 60, ++minute;
    if (minute == 60) minute = 0, ++hour;
    if (hour == 24) hour = 0, ++day;
    if (day > DaysIn(year, month)) day = 1, ++month;
    if (month == 13) month = 1, ++year;
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
