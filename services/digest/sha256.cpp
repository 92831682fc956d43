#include "services/digest/sha256.hpp"

#include <vector>

#include "services/files/descriptor.hpp"
#include "services/files/files.hpp"

bool FileSha256(const std::string& name, std::string& hex, uint64_t& bytes) {
  int fd = OpenSequentialReader(NativeFileName(name));
  if (fd < 0) return false;
  FileKind kind = FileKind::kOther;
  int64_t size = 0;
  if (!DescribeDescriptor(fd, kind, size) || kind == FileKind::kDirectory) {
    CloseDescriptor(fd);
    return false;
  }
  Sha256 digest;
  std::vector<char> block(1 << 20);
  bytes = 0;
  int64_t got = 0;
  while ((got = ReadDescriptor(fd, block.data(), block.size())) > 0) {
    digest.Add(block.data(), static_cast<size_t>(got));
    bytes += static_cast<uint64_t>(got);
  }
  CloseDescriptor(fd);
  if (got < 0) return false;
  hex = digest.Hex();
  return true;
}
