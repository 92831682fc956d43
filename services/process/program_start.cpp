#include "services/process/program_start.hpp"

#include <cerrno>

#include "services/exit/error_numbers.hpp"

int DeleteErrorNumber(int system_error) {
  switch (system_error) {
    case 0:
      return kNoError;
    case EPERM:
      return kNoPrivileges;
    case ENOENT:
      return kFileNotFound;
    case EACCES:
      return kFileIoError;
    default:
      return kIllegalFunctionCall;
  }
}
