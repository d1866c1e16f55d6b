#include "datalog/log_sink.h"

#include <aio.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace tarnix {

std::int64_t CSystemLogClock::MonotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t CSystemLogClock::UtcMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

CFileLogSink::CFileLogSink() : request_(std::make_unique<aiocb>()) {}

CFileLogSink::~CFileLogSink() {
    Close();
}

int CFileLogSink::Open(const std::string& path, bool append) {
    Close();
    const int flags = O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | (append ? 0 : O_TRUNC);
    fd_ = ::open(path.c_str(), flags, 0644);
    if (fd_ < 0) {
        return errno;
    }
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    // A file cut short by a crash ends inside a line: what follows starts on a line of its own.
    char last = '\n';
    if (size_ > 0 && ::pread(fd_, &last, 1, end - 1) == 1 && last != '\n') {
        return Write("\r\n");
    }
    return 0;
}

int CFileLogSink::Write(std::string_view bytes) {
    if (fd_ < 0) {
        return EBADF;
    }
    std::size_t done = 0;
    int error = 0;
    // A disk that takes part of the bytes is asked once more for the rest, which gives the real errno.
    for (int attempt = 0; attempt < 2 && done < bytes.size(); ++attempt) {
        ssize_t n = 0;
        do {
            n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            error = errno;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (done == bytes.size()) {
        size_ += done;
        return 0;
    }
    if (done > 0 && ::ftruncate(fd_, static_cast<off_t>(size_)) != 0 && error == 0) {
        error = errno;
    }
    return error != 0 ? error : ENOSPC;
}

bool CFileLogSink::CollectSync() {
    if (!syncPending_) {
        return true;
    }
    const int state = ::aio_error(request_.get());
    if (state == EINPROGRESS) {
        return false;
    }
    if (::aio_return(request_.get()) != 0 && syncError_ == 0) {
        syncError_ = state != 0 ? state : EIO;
    }
    syncPending_ = false;
    return true;
}

bool CFileLogSink::StartSync() {
    if (fd_ < 0 || !CollectSync()) {
        return false;
    }
    *request_ = aiocb{};
    request_->aio_fildes = fd_;
    request_->aio_sigevent.sigev_notify = SIGEV_NONE;
    if (::aio_fsync(O_DSYNC, request_.get()) != 0) {
        return false;
    }
    syncPending_ = true;
    return true;
}

int CFileLogSink::SyncError() {
    CollectSync();
    const int error = syncError_;
    syncError_ = 0;
    return error;
}

int CFileLogSink::Close() {
    if (fd_ < 0) {
        return 0;
    }
    while (!CollectSync()) {
        const aiocb* const list[] = {request_.get()};
        ::aio_suspend(list, 1, nullptr);
    }
    int error = syncError_;
    syncError_ = 0;
    if (::fdatasync(fd_) != 0 && error == 0) {
        error = errno;
    }
    if (::close(fd_) != 0 && error == 0) {
        error = errno;
    }
    fd_ = -1;
    return error;
}

} // namespace tarnix
