#include <windows.h>

#include <cstring>

#include "services/files/followed_files.hpp"

namespace {

FileFacts FactsOf(const BY_HANDLE_FILE_INFORMATION& info) {
  FileFacts facts;
  uint64_t index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  facts.identity =
      index ^ (static_cast<uint64_t>(info.dwVolumeSerialNumber) * 0x9E3779B97F4A7C15ull);
  facts.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  facts.modified =
      static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                           info.ftLastWriteTime.dwLowDateTime);
  return facts;
}

HANDLE OpenShared(const std::string& name) {
  // Every share mode: the logger may go on writing, or rename or delete it.
  return CreateFileA(name.c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The 128-bit id where the file system gives one: nFileIndex is not unique
// on ReFS. FAT and exFAT have no stable id at all (a slot number), nor have
// some network shares: there the follower's look at the contents tells a
// replaced file apart.
void UseFileId(HANDLE file, FileFacts& facts) {
  FILE_ID_INFO info = {};
  if (!GetFileInformationByHandleEx(file, FileIdInfo, &info, sizeof info)) return;
  uint64_t halves[2];
  static_assert(sizeof halves == sizeof info.FileId, "a 128-bit id");
  std::memcpy(halves, &info.FileId, sizeof halves);
  facts.identity = halves[0] ^ (halves[1] * 0xC2B2AE3D27D4EB4Full) ^
                   (info.VolumeSerialNumber * 0x9E3779B97F4A7C15ull);
}

bool Describe(HANDLE file, FileFacts& facts) {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  facts = FactsOf(info);
  UseFileId(file, facts);
  return true;
}

}  // namespace

bool LookAtFile(const std::string& name, FileFacts& facts) {
  HANDLE file = OpenShared(name);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool regular = Describe(file, facts);
  CloseHandle(file);
  return regular;
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(std::move(name));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}

SharedReadFile::~SharedReadFile() {
  Close();
}

bool SharedReadFile::Open(const std::string& name, FileFacts& facts) {
  Close();
  HANDLE file = OpenShared(name);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (!Describe(file, facts)) {
    CloseHandle(file);
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  return true;
}

int64_t SharedReadFile::ReadAt(uint64_t offset, char* data, size_t size) {
  if (handle_ == -1) return -1;
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  DWORD want = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), data, want, &got, &at)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return got;
}

void SharedReadFile::Close() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}
