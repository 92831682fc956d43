#pragma once
// The channel of a numbered file that is an ordinary file.
#include <memory>
#include <string>

#include "services/files/files.hpp"

// Opens `native_name` (already through NativeFileName) in `mode`; 2 when the
// system refuses the open, whatever the cause.
int OpenTextFileChannel(const std::string& native_name, OpenMode mode,
                        std::unique_ptr<Channel>& channel);
