// ".rec" record files: a 24-byte header with the recording's context and count, then the frames.
#pragma once

#include <cstddef>
#include <string>

#include "files/file_result.h"
#include "recorder/frame_store.h"
#include "recorder/recorder_settings.h"

namespace tarnix {

inline constexpr std::size_t kRecHeaderBytes = 24;

// Writes the header and the first N (recorded count, at most 1000) frames. "Cann't save file: %s" when the
// file cannot be created.
FileResult SaveRecFile(const std::string& path, const RecorderSettings& settings, const CFrameStore& store);

// Reads a .rec file into the settings and the store. A path not ending in ".rec", or a file shorter than
// its header, is refused with "This is not a record file!" and nothing changed; "Couldn't open file: %s"
// when it cannot be opened. The count is held to 1000 before the frames are read, every header field is held
// to its range, and frames the file does not supply stay as they were.
FileResult LoadRecFile(const std::string& path, RecorderSettings& settings, CFrameStore& store,
                       int timeDivOffset);

} // namespace tarnix
