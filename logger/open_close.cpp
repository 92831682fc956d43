// The two channels of a run: the port to the device and the log file.
#include <string>

#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/files.hpp"
#include "services/serial/serial_port.hpp"
#include "services/text/text_forms.hpp"

namespace {

void PrintEndingMessage(int32_t ending) {
  if (ending == kExitKeyPressed) {
    PrintLine("Normal exit, User pressed exit key");
  } else if (ending == kEndOfTransmission) {
    PrintLine("Normal exit, EOT recieved in data stream");
  } else {
    PrintLine("***ERROR*** exit, ExitCode: " + IntText(ending));
  }
}

}  // namespace

int8_t OPENCOMMUNICATIONS() {
  RoutineScope scope("OPENCOMMUNICATIONS", kLoggerModule);
  int port_error = OpenSerial(kPortFileNumber, Settings.PortStr);
  if (port_error != 0) {
    PrintLine("***Fatal Error*** opening com port using string: ");
    PrintLine(Settings.PortStr);
    PrintLine("Error code was: " + IntText(port_error));
    PrintLine("***ERROR*** exit, ExitCode: 58");
    Settings.ExitCode = kPortOpenFailed;
  }
  if (Settings.LogToFile) {
    int file_error = OpenFile(kLogFileNumber, Settings.FileStr, OpenMode::kAppend);
    if (file_error != 0) {
      PrintLine("***Error*** opening file: " + Settings.FileStr);
      PrintLine("Error reported was: " + IntText(file_error));
      if (port_error == 0) ClosePort(kPortFileNumber);
      PrintLine("***ERROR*** exit, ExitCode: 59");
      Settings.ExitCode = kLogOpenFailed;
    }
  }
  return static_cast<int8_t>(Settings.ExitCode);
}

int8_t CLOSECOMMUNICATIONS() {
  RoutineScope scope("CLOSECOMMUNICATIONS", kLoggerModule);
  const int32_t ending = Settings.ExitCode;
  // A port lost during the run is already closed.
  int port_error = ChannelAt(kPortFileNumber) != nullptr ? ClosePort(kPortFileNumber) : 0;
  if (port_error != 0) {
    PrintLine("***Error*** closing file COM port");
    PrintLine("Error reported was: " + IntText(port_error));
    Settings.ExitCode = kPortCloseFailed;
  }
  if (Settings.LogToFile) {
    // Always CR LF and month first, whatever the records use.
    LocalTime now = CurrentClock().Now();
    int line_error =
        PrintFileText(kLogFileNumber, "Exit Code: " + IntText(ending) + " at " + TimeTextOf(now) +
                                          " on " + DateTextOf(now) + "\r\n");
    int flush_error = FlushFile(kLogFileNumber);
    if (line_error == 0) line_error = flush_error;
    // The ending stays what it was, but a log without its last line (a disk
    // that filled up with the last record) must not pass unnoticed; after a
    // failed record write the console has said so already.
    if (line_error != 0 && ending != kLogWriteFailed && ChannelAt(kLogFileNumber) != nullptr) {
      PrintLine("***Warning*** the Exit Code line could not be written to: " + Settings.FileStr);
      PrintLine("Error reported was: " + IntText(line_error));
    }
    int file_error = CloseFile(kLogFileNumber);
    if (file_error != 0) {
      PrintLine("***Error*** closing file: " + Settings.FileStr);
      PrintLine("Error reported was: " + IntText(file_error));
      Settings.ExitCode = kLogCloseFailed;
    }
  }
  PrintEndingMessage(ending);
  return static_cast<int8_t>(Settings.ExitCode);
}
