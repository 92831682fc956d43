#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/text/text_forms.hpp"

int8_t INITALIZEGLOBALS() {
  RoutineScope scope("INITALIZEGLOBALS", kLoggerModule);
  SettingsRecord& s = Settings;
  s.EolStr = "\r\n";
  s.ProgramName = "Brenmark.exe";
  s.ProgramVers = "1.0.5 (8 October  2013)";
  s.BannerStr = "Program Name: " + s.ProgramName + s.EolStr;
  s.BannerStr += "Program Vers: " + s.ProgramVers + s.EolStr;
  s.BannerStr += "Written by the Brenmark developers." + s.EolStr;
  s.BannerStr += "Free software under the MIT License." + s.EolStr;
  s.BannerStr += "No warranties of any kind either expressed or implied." + s.EolStr;
  s.BannerStr += "Please read 'Brenmark.ini' for help." + s.EolStr;
  s.PortStr.clear();
  s.FileStr.clear();
  s.ExitCode = 0;
  s.LogToFile = 0;
  s.ApndTime = 0;
  s.StdOut = 0;
  s.SwitchHrs = 0;
  s.ExitKey = 27;
  s.Delimiter = "\t";
  s.StartDate = DateText();
  s.StartTime = TimeText();
  s.CurHour = static_cast<int8_t>(NumberValue(TimeText().substr(0, 2)));
  s.LastHour = s.CurHour;
  s.HourCount = 0;
  s.AvrDebugMode = 0;
  s.AvrCelsiusMode = -1;
  s.AvrFahrenheitMode = -1;
  s.AvrInternalMode = 0;
  s.AvrEepromMode = 0;
  s.AvrRawMode = -1;
  s.AvrRoundingMode = -1;
  s.UserStr1 = "Z1";
  s.UserStr2 = "Z2";
  s.UserStr3 = "ZD";
  s.UserStr4.clear();
  s.UserStr5.clear();
  s.DegreeOffset = 0.0f;
  return 0;
}
