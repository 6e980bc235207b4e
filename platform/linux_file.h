#pragma once
// The Linux File behind Files(): one file descriptor with the share-mode
// emulation of file.h. Internal to platform/; the engine sees only File.
#include <memory>
#include <string>

#include "platform/file.h"

namespace platform::detail {

// Opens `path` as it stands (name resolution is the caller's) with `mode`.
// With `create` a missing file is made and an existing one emptied, the
// latter only after the share check passed, so a refused Create never
// destroys a file another open holds.
int OpenLinuxFile(const std::string& path, int mode, bool create, std::unique_ptr<File>& out);

// Records strerror(errno_value) as the last system message and returns the
// DOS number for it.
int SystemError(int errno_value, IoContext context);

}  // namespace platform::detail
