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
// - A folder is refused with EISDIR; a pipe, device or socket with EINVAL, before anything is opened.
// - A writable file that cannot be replaced by a rename (a folder that takes no new entries, another
//   user's file in a shared sticky folder, a bind-mounted file) is rewritten in place (see the .cpp).
// - Names up to the file system's limit save: the temporary name is shortened to fit.
int WriteFileSafely(const std::string& path, std::span<const std::uint8_t> bytes);

// Replaces the first bytes of an existing file, keeping the rest; never creates a file (ENOENT). Written
// through the same steps as WriteFileSafely, so a failure leaves the whole file as it was. The rest is
// copied by the kernel, never read into memory, so a file of any size costs no more than a small one.
int OverwriteFileStart(const std::string& path, std::span<const std::uint8_t> bytes);

// Opens an existing file for reading (`flags` O_RDONLY) or an in-place write (O_RDWR). What is not a
// regular file is refused at once (EISDIR for a folder, EINVAL for a pipe, device or socket), so a
// loader never waits on a pipe nobody writes to. Returns the descriptor (close-on-exec), or -errno.
int OpenRegularFile(const std::string& path, int flags);

} // namespace tarnix
