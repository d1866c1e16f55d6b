// Replacing a file so that a crash, a full disk or a failed write never leaves it half written: the new
// content goes to a temporary file in the same folder, is flushed to the disk, and then takes the old
// file's place in one rename.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarnix {

// Returns 0, or the errno of the step that failed; on failure the previous file is untouched and the
// temporary file is removed.
int WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Overwrites the start of an existing file in place, without creating or truncating it. Returns 0 or errno.
int OverwriteFileStart(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace tarnix
