#pragma once
// The descriptor calls the shared file code is built on, one implementation
// per system. Names are native (through NativeFileName); descriptors are C
// runtime descriptors. Calls a signal handler may make are marked.
#include <cstddef>
#include <cstdint>
#include <string>

#include "services/files/files.hpp"

enum class FileKind { kRegular, kDirectory, kOther };

// Opens a numbered file's descriptor in `mode`, bytes unchanged; -1 on failure.
int OpenModeDescriptor(const std::string& name, OpenMode mode);
// Opens for one sequential pass of reading, never waiting for a FIFO's writer.
int OpenSequentialReader(const std::string& name);
// Standard input's descriptor, reading bytes unchanged.
int StandardInputDescriptor();
// Opens for appending, creating the file, never waiting for a FIFO's reader.
// `last` is the file's last byte, LF when it is empty, not a regular file, or
// cannot be read.
int OpenAppendWriter(const std::string& name, char& last);
// Opens for appending lines that other writers may add too: each write
// lands whole at the end, and the file may be renamed or deleted while it is
// open (Windows shares it for that). Never inherited. -1 with errno set.
int OpenSharedAppender(const std::string& name);
// False once `name` no longer names the file open at `fd`: it was deleted or
// renamed away (rotated), or another file took its name.
bool NameStillNames(const std::string& name, int fd);
// False when the kind cannot be told; `size` is set for regular files.
bool DescribeDescriptor(int fd, FileKind& kind, int64_t& size);
// Bytes read, 0 at the end, -1 on an error.
int64_t ReadDescriptor(int fd, char* data, size_t size);
// The new offset, or -1. Signal-safe.
int64_t SeekDescriptor(int fd, int64_t offset, int whence);
bool TruncateDescriptor(int fd, int64_t size);
// False when the close itself reports a loss. Signal-safe.
bool CloseDescriptor(int fd);
// False when not every byte was written; `done` counts what was. Signal-safe.
bool WriteAllBytes(int fd, const char* data, size_t size, size_t* done = nullptr);
// Flushes to the disk; true for what cannot be synced (devices, pipes).
bool SyncDescriptor(int fd);
// How many SyncDescriptor calls this process has made: the seam through which
// tests see that a file reaches the disk before it is renamed into place.
uint64_t SyncDescriptorCalls();
// So that a final write to a pipe nobody drains fails instead of waiting.
// Signal-safe.
void StopWriteWaiting(int fd);
// True when both name the same file.
bool SameFileDescriptors(int fd, int other_fd);
// Whether text input ends at byte 26 on this system.
bool TextEndsAtByte26();
constexpr char kEndOfFileByte = 26;
