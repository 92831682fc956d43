#include "reporter/figures.hpp"

char UnitLetter(Unit unit) {
  switch (unit) {
    case Unit::kFahrenheit:
      return 'F';
    case Unit::kKelvin:
      return 'K';
    default:
      return 'C';
  }
}

double ToKelvin(Unit unit, double value) {
  switch (unit) {
    case Unit::kFahrenheit:
      return (value - 32.0) * 5.0 / 9.0 + 273.15;
    case Unit::kKelvin:
      return value;
    default:
      return value + 273.15;
  }
}

double FromKelvin(Unit unit, double kelvin) {
  switch (unit) {
    case Unit::kFahrenheit:
      return (kelvin - 273.15) * 9.0 / 5.0 + 32.0;
    case Unit::kKelvin:
      return kelvin;
    default:
      return kelvin - 273.15;
  }
}

void Figures::Take(const Reading& reading, double boltzmann_term) {
  // Strictly lower or higher: the first time a value occurred is kept.
  if (readings == 0 || reading.value < minimum) {
    minimum = reading.value;
    minimum_text.Set(reading.text);
    minimum_time = reading.local;
  }
  if (readings == 0 || reading.value > maximum) {
    maximum = reading.value;
    maximum_text.Set(reading.text);
    maximum_time = reading.local;
  }
  ++readings;
  sum += reading.value;
  boltzmann_sum += boltzmann_term;
}
