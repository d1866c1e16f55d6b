// The one way this program writes a file the user keeps: a save either completes or leaves the previous
// file exactly as it was. It lives in the lowest module because every module that saves (files, recorder,
// analysis, language, document) already depends on model, and analysis and language may not depend on
// files.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarnix {

// Replaces `path` with `bytes`. Returns 0, or the errno of the step that failed; on failure the previous
// file is untouched and no temporary file is left behind.
// - A symbolic link is followed: the file it names is written and the link stays.
// - An existing file keeps its permissions (and its owner, where the process may set it).
// - A file without any write permission bit is refused with EACCES, also for root, as an editor does.
// - A writable file in a folder that takes no new entries is rewritten in place (see the .cpp).
int WriteFileSafely(const std::string& path, std::span<const std::uint8_t> bytes);

// Replaces the first bytes of an existing file, keeping the rest; never creates a file (ENOENT). Written
// through WriteFileSafely, so a failure leaves the whole file as it was.
int OverwriteFileStart(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace tarnix
