// Where a measurement log goes: a file written one whole line at a time and flushed to the disk in the
// background, and the clocks the log reads. Both are interfaces so tests run without disks or waiting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct aiocb;

namespace tarnix {

class ILogClock {
public:
    virtual ~ILogClock() = default;
    // Monotonic milliseconds, for elapsed time and intervals.
    virtual std::int64_t MonotonicMs() = 0;
    // Milliseconds since 1970-01-01 UTC, for the time stamps.
    virtual std::int64_t UtcMs() = 0;
};

class CSystemLogClock final : public ILogClock {
public:
    std::int64_t MonotonicMs() override;
    std::int64_t UtcMs() override;
};

class ILogSink {
public:
    virtual ~ILogSink() = default;
    // Creates or replaces the file, or appends to it; 0 or the errno of the failure.
    virtual int Open(const std::string& path, bool append) = 0;
    // Writes the bytes whole. A failure leaves the file as it was before the call (no torn line) and
    // returns the errno (ENOSPC for a disk that took only part of them); 0 on success.
    virtual int Write(std::string_view bytes) = 0;
    // Starts flushing what was written to the disk and returns at once; false while a flush is under way.
    virtual bool StartSync() = 0;
    // The errno of a flush that failed since the last call, else 0.
    virtual int SyncError() = 0;
    // Waits for a flush under way, flushes once more and closes; 0 or the first errno.
    virtual int Close() = 0;
    virtual std::uint64_t Size() const = 0;
};

// A log file on disk. Writes go straight to the kernel with one write() each (O_APPEND), so a killed
// program leaves whole lines; the flush to the disk runs as an asynchronous fdatasync, so the GUI thread
// never waits for the disk.
class CFileLogSink final : public ILogSink {
public:
    CFileLogSink();
    ~CFileLogSink() override;
    CFileLogSink(const CFileLogSink&) = delete;
    CFileLogSink& operator=(const CFileLogSink&) = delete;

    int Open(const std::string& path, bool append) override;
    int Write(std::string_view bytes) override;
    bool StartSync() override;
    int SyncError() override;
    int Close() override;
    std::uint64_t Size() const override { return size_; }

private:
    // Collects the outcome of a finished flush; false while it still runs.
    bool CollectSync();

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::unique_ptr<aiocb> request_; // on the heap: its glibc layout ends in a zero-size array
    bool syncPending_ = false;
    int syncError_ = 0;
};

} // namespace tarnix
