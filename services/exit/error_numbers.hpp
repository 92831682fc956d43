#pragma once
// The error numbers that file, port and console operations report, with the
// texts the run-time error report prints for them.
#include <string_view>

enum ErrorNumber : int {
  kNoError = 0,
  kIllegalFunctionCall = 1,
  kFileNotFound = 2,
  kFileIoError = 3,
  kOutOfMemory = 4,
  kIllegalResume = 5,
  kOutOfBoundsArrayAccess = 6,
  kNullPointerAccess = 7,
  kNoPrivileges = 8,
  kInterruptedSignal = 9,
  kIllegalInstructionSignal = 10,
  kFloatingPointSignal = 11,
  kSegmentationSignal = 12,
  kTerminationSignal = 13,
  kAbnormalTerminationSignal = 14,
  kQuitSignal = 15,
  kReturnWithoutGosub = 16,
  kEndOfFile = 17,
};

// Text of an error number; empty for 0 and for numbers above 17.
std::string_view ErrorText(int number);

// The result of the latest file, port or console operation (0 = success).
int LastError();
// Records `number` as the last error and returns it, so operations can
// `return SetLastError(n);`.
int SetLastError(int number);
