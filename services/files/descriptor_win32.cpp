#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "services/exit/wide_text_win32.hpp"
#include "services/exit/write_all_win32.hpp"
#include "services/files/descriptor.hpp"
#include "services/files/system_error_win32.hpp"

namespace {

// Binary at the descriptor: CR LF and byte 26 are handled above, so output
// is written unchanged.
constexpr int kBinary = _O_BINARY | _O_NOINHERIT;

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::kInput:
      return _O_RDONLY;
    case OpenMode::kOutput:
      return _O_WRONLY | _O_CREAT | _O_TRUNC;
    case OpenMode::kAppend:
      return _O_WRONLY | _O_CREAT | _O_APPEND;
    case OpenMode::kRandom:
    case OpenMode::kBinary:
      return _O_RDWR | _O_CREAT;
  }
  return _O_RDONLY;
}

int OpenBinary(const std::string& name, int flags) {
  return _open(name.c_str(), flags | kBinary, _S_IREAD | _S_IWRITE);
}

bool IsRegular(int fd, int64_t& size) {
  FileKind kind;
  return DescribeDescriptor(fd, kind, size) && kind == FileKind::kRegular;
}

// The last byte of the file; LF when it cannot be read (a file that cannot be
// read cannot lose its marker either).
char LastByte(const std::string& name, int64_t size) {
  char last = '\n';
  int fd = OpenBinary(name, _O_RDONLY);
  if (fd < 0) return last;
  if (_lseeki64(fd, size - 1, SEEK_SET) != size - 1 || _read(fd, &last, 1) != 1) last = '\n';
  _close(fd);
  return last;
}

// A file's identity: FileIdInfo's 128-bit id where the file system gives
// one (ReFS ids do not fit nFileIndex), else the volume and index.
struct FileIdentity {
  unsigned long long volume = 0;
  unsigned char id[16] = {};
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && std::memcmp(id, other.id, sizeof id) == 0;
  }
};

bool IdentityOf(HANDLE file, FileIdentity& identity) {
  FILE_ID_INFO info = {};
  if (GetFileInformationByHandleEx(file, FileIdInfo, &info, sizeof info)) {
    identity.volume = info.VolumeSerialNumber;
    std::memcpy(identity.id, &info.FileId, sizeof identity.id);
    return true;
  }
  BY_HANDLE_FILE_INFORMATION old = {};
  if (!GetFileInformationByHandle(file, &old)) return false;
  identity.volume = old.dwVolumeSerialNumber;
  std::memcpy(identity.id, &old.nFileIndexLow, sizeof old.nFileIndexLow);
  std::memcpy(identity.id + 4, &old.nFileIndexHigh, sizeof old.nFileIndexHigh);
  return true;
}

}  // namespace

int OpenSharedAppender(const std::string& name) {
  // Append access alone: the system puts every write at the end, so two
  // writers never overwrite each other's lines.
  HANDLE file = CreateFileW(WideText(name).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    errno = ErrnoOf(GetLastError());
    return -1;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
  if (fd < 0) CloseHandle(file);
  return fd;
}

bool NameStillNames(const std::string& name, int fd) {
  HANDLE open_handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  // Deleted while open: the name goes with the last handle (or at once with
  // the newer delete semantics), and opening it meanwhile fails.
  FILE_STANDARD_INFO standard = {};
  if (GetFileInformationByHandleEx(open_handle, FileStandardInfo, &standard, sizeof standard) &&
      standard.DeletePending) {
    return false;
  }
  HANDLE named = CreateFileW(WideText(name).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  FileIdentity by_name, open_file;
  bool same = IdentityOf(named, by_name) &&
              IdentityOf(open_handle, open_file) &&
              by_name == open_file;
  CloseHandle(named);
  return same;
}

int OpenModeDescriptor(const std::string& name, OpenMode mode) {
  return OpenBinary(name, OpenFlags(mode));
}

int OpenSequentialReader(const std::string& name) {
  return OpenBinary(name, _O_RDONLY | _O_SEQUENTIAL);
}

int StandardInputDescriptor() {
  // Text mode would turn CR LF into LF and stop at byte 26.
  _setmode(0, _O_BINARY);
  return 0;
}

int OpenAppendWriter(const std::string& name, char& last) {
  last = '\n';
  int fd = OpenBinary(name, _O_WRONLY | _O_CREAT | _O_APPEND);
  if (fd < 0) return -1;
  int64_t size = 0;
  if (IsRegular(fd, size) && size > 0) last = LastByte(name, size);
  return fd;
}

bool DescribeDescriptor(int fd, FileKind& kind, int64_t& size) {
  struct _stati64 info {};
  if (_fstati64(fd, &info) != 0) return false;
  int type = info.st_mode & _S_IFMT;
  kind = type == _S_IFREG   ? FileKind::kRegular
         : type == _S_IFDIR ? FileKind::kDirectory
                            : FileKind::kOther;
  if (kind == FileKind::kRegular) size = info.st_size;
  return true;
}

int64_t ReadDescriptor(int fd, char* data, size_t size) {
  return _read(fd, data, size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size));
}

int64_t SeekDescriptor(int fd, int64_t offset, int whence) {
  return _lseeki64(fd, offset, whence);
}

bool TruncateDescriptor(int fd, int64_t size) {
  return _chsize_s(fd, size) == 0;
}

bool CloseDescriptor(int fd) {
  return _close(fd) == 0;
}

bool WriteAllBytes(int fd, const char* data, size_t size, size_t* done) {
  return WriteAll(fd, data, size, done);
}

namespace {
std::atomic<uint64_t> sync_calls{0};
}  // namespace

bool SyncDescriptor(int fd) {
  ++sync_calls;
  int64_t size = 0;
  return !IsRegular(fd, size) || _commit(fd) == 0;
}

uint64_t SyncDescriptorCalls() {
  return sync_calls;
}

void StopWriteWaiting(int) {}

bool SameFileDescriptors(int fd, int other_fd) {
  FileIdentity mine, theirs;
  return IdentityOf(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), mine) &&
         IdentityOf(reinterpret_cast<HANDLE>(_get_osfhandle(other_fd)), theirs) && mine == theirs;
}

bool TextEndsAtByte26() {
  return true;
}
