// A clock the test moves by hand and a log file kept in memory that can be told to fail.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "datalog/log_sink.h"

namespace tarnix::testing {

struct FakeLogClock final : ILogClock {
    std::int64_t monotonicMs = 5000;
    std::int64_t utcMs = 1796539864123; // 2026-12-06T06:51:04.123Z
    std::int64_t MonotonicMs() override { return monotonicMs; }
    std::int64_t UtcMs() override { return utcMs; }
    void Advance(std::int64_t ms) {
        monotonicMs += ms;
        utcMs += ms;
    }
};

struct FakeLogSink final : ILogSink {
    explicit FakeLogSink(ILogClock& c) : clock(c) {}
    ILogClock& clock;
    std::string file;
    bool keep = true;   // false: only count the bytes (long runs)
    int failWrite = -1; // the write (counted from 0) that fails, with `error`
    int error = ENOSPC;
    int syncError = 0; // reported once by SyncError
    int writes = 0;
    std::uint64_t size = 0;
    bool open = false;
    std::vector<std::int64_t> writeMs, syncMs;

    int Open(const std::string&, bool) override {
        open = error != EACCES;
        return open ? 0 : EACCES;
    }
    int Write(std::string_view bytes) override {
        if (writes++ == failWrite) {
            return error;
        }
        if (keep) {
            file.append(bytes);
            writeMs.push_back(clock.MonotonicMs());
        }
        size += bytes.size();
        return 0;
    }
    bool StartSync() override {
        syncMs.push_back(clock.MonotonicMs());
        return true;
    }
    int SyncError() override { return std::exchange(syncError, 0); }
    int Close() override {
        open = false;
        return 0;
    }
    std::uint64_t Size() const override { return size; }
};

} // namespace tarnix::testing
