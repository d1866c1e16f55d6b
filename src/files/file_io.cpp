#include "files/file_io.h"

#include "model/safe_file.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnix {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string WithSystemText(const char* prefix, int errorNumber) {
    return std::string(prefix) + std::strerror(errorNumber);
}

} // namespace

bool HasExtension(std::string_view path, std::string_view extension) {
    if (path.size() < extension.size()) {
        return false;
    }
    std::string_view tail = path.substr(path.size() - extension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (LowerAscii(tail[i]) != LowerAscii(extension[i])) {
            return false;
        }
    }
    return true;
}

std::string CannotSaveMessage(int errorNumber) {
    return WithSystemText("Cann't save file: ", errorNumber);
}
std::string CannotOpenMessage(int errorNumber) {
    return WithSystemText("Can not open file: ", errorNumber);
}
std::string CouldNotOpenMessage(int errorNumber) {
    return WithSystemText("Couldn't open file: ", errorNumber);
}

namespace {

FileBytes ReadUpTo(const std::string& path, std::size_t maxBytes, bool refuseLarger) {
    FileBytes result;
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) {
        result.errorNumber = -fd;
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.errorNumber = errno;
        ::close(fd);
        return result;
    }
    if (refuseLarger && static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        result.tooLarge = true;
        result.errorNumber = EFBIG;
        ::close(fd);
        return result;
    }
    result.bytes.Allocate(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), maxBytes));
    std::size_t done = 0;
    while (done < result.bytes.size()) {
        ssize_t n = ::read(fd, result.bytes.data() + done, result.bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.errorNumber = errno;
            ::close(fd);
            result.bytes.Allocate(0);
            return result;
        }
        if (n == 0) {
            break; // the file shrank while we read it
        }
        done += static_cast<std::size_t>(n);
    }
    result.bytes.Shrink(done);
    ::close(fd);
    result.ok = true;
    return result;
}

} // namespace

FileBytes ReadFileBytes(const std::string& path, std::size_t maxBytes) {
    return ReadUpTo(path, maxBytes, true);
}

FileBytes ReadFilePrefix(const std::string& path, std::size_t maxBytes) {
    return ReadUpTo(path, maxBytes, false);
}

void ByteBuffer::Allocate(std::size_t size) {
    constexpr std::size_t kHugePage = 2u * 1024u * 1024u;
    data_.reset();
    size_ = 0;
    if (size == 0) {
        return;
    }
    void* memory = nullptr;
    if (size >= kHugePage) {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        memory = std::aligned_alloc(kHugePage, rounded);
        if (memory != nullptr) {
            ::madvise(memory, rounded, MADV_HUGEPAGE);
        }
    } else {
        memory = std::malloc(size);
    }
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    data_.reset(static_cast<std::uint8_t*>(memory));
    size_ = size;
}

// ---- ByteWriter ---------------------------------------------------------------------------------

void ByteWriter::U16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out_.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
    }
}

void ByteWriter::U64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        out_.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
    }
}

void ByteWriter::F32(float v) {
    U32(std::bit_cast<std::uint32_t>(v));
}
void ByteWriter::F64(double v) {
    U64(std::bit_cast<std::uint64_t>(v));
}

void ByteWriter::U16Array(std::span<const std::uint16_t> values) {
    if constexpr (std::endian::native == std::endian::little) {
        // The host's byte order is the file's: append the samples' bytes in one copy.
        const auto* first = reinterpret_cast<const std::uint8_t*>(values.data());
        out_.insert(out_.end(), first, first + values.size() * 2);
    } else {
        out_.reserve(out_.size() + values.size() * 2);
        for (std::uint16_t v : values) {
            out_.push_back(static_cast<std::uint8_t>(v & 0xFF));
            out_.push_back(static_cast<std::uint8_t>(v >> 8));
        }
    }
}

void ByteWriter::I16Array(std::span<const std::int16_t> values) {
    U16Array({reinterpret_cast<const std::uint16_t*>(values.data()), values.size()});
}

void ByteWriter::Raw(std::span<const std::uint8_t> bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
}

// ---- ByteReader ---------------------------------------------------------------------------------

bool ByteReader::Take(void* dst, std::size_t count) {
    if (failed_ || Remaining() < count) {
        failed_ = true;
        std::memset(dst, 0, count);
        return false;
    }
    std::memcpy(dst, in_.data() + pos_, count);
    pos_ += count;
    return true;
}

std::uint16_t ByteReader::U16() {
    std::uint8_t b[2];
    Take(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t ByteReader::U32() {
    std::uint8_t b[4];
    Take(b, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint64_t ByteReader::U64() {
    std::uint64_t low = U32();
    std::uint64_t high = U32();
    return low | (high << 32);
}

float ByteReader::F32() {
    return std::bit_cast<float>(U32());
}
double ByteReader::F64() {
    return std::bit_cast<double>(U64());
}

std::size_t ByteReader::U16Array(std::span<std::uint16_t> out) {
    std::size_t count = std::min(out.size(), Remaining() / 2);
    const std::uint8_t* src = in_.data() + pos_;
    if constexpr (std::endian::native == std::endian::little) {
        if (count > 0) {
            std::memcpy(out.data(), src, count * 2);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<std::uint16_t>(src[2 * i] | (src[2 * i + 1] << 8));
        }
    }
    pos_ += count * 2;
    if (count < out.size()) {
        failed_ = true;
    }
    return count;
}

std::size_t ByteReader::I16Array(std::span<std::int16_t> out) {
    return U16Array({reinterpret_cast<std::uint16_t*>(out.data()), out.size()});
}

namespace {

template <class T>
bool Append16(ByteReader& in, std::span<const std::uint8_t> bytes, std::vector<T>& out, std::size_t count) {
    if (in.Failed() || in.Remaining() / 2 < count) {
        return false;
    }
    const std::uint8_t* src = bytes.data();
    out.reserve(out.size() + count);
    const bool aligned = reinterpret_cast<std::uintptr_t>(src) % alignof(T) == 0;
    if (std::endian::native == std::endian::little && aligned) {
        // The file's little-endian samples are the host's: append them in one copy, without first
        // filling the new elements with zeros.
        const T* first = reinterpret_cast<const T*>(src);
        out.insert(out.end(), first, first + count);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            out.push_back(static_cast<T>(src[2 * i] | (src[2 * i + 1] << 8)));
        }
    }
    return true;
}

} // namespace

bool ByteReader::AppendU16(std::vector<std::uint16_t>& out, std::size_t count) {
    if (!Append16(*this, in_.subspan(pos_), out, count)) {
        failed_ = true;
        return false;
    }
    pos_ += count * 2;
    return true;
}

bool ByteReader::AppendI16(std::vector<std::int16_t>& out, std::size_t count) {
    if (!Append16(*this, in_.subspan(pos_), out, count)) {
        failed_ = true;
        return false;
    }
    pos_ += count * 2;
    return true;
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t count) {
    if (failed_ || Remaining() < count) {
        failed_ = true;
        return {};
    }
    auto part = in_.subspan(pos_, count);
    pos_ += count;
    return part;
}

// ---- Text ---------------------------------------------------------------------------------------

void AppendFixed(std::string& out, double value, int decimals) {
    char buffer[400];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) {
        out += "0";
        return;
    }
    out.append(buffer, end);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = next;
    }
    return lines;
}

double ParseLeadingDouble(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    text.remove_prefix(i);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // Only plain decimal forms: no "inf", "nan" or hexadecimal, which a saved file never holds.
    if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) {
        return 0.0;
    }
    double value = 0.0;
    auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                        std::chars_format::fixed | std::chars_format::scientific);
    (void)ptr;
    if (error != std::errc() || !std::isfinite(value)) {
        return 0.0;
    }
    return negative ? -value : value;
}

int ParseLeadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n' ||
                               text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

KeptFile KeepRefusedFile(const std::string& path) {
    KeptFile kept;
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = path + ".bad" + (n == 1 ? std::string() : std::to_string(n));
        if (FileExists(candidate)) {
            continue; // a file kept earlier stays
        }
        if (::rename(path.c_str(), candidate.c_str()) == 0) {
            kept.ok = true;
            kept.keptPath = std::move(candidate);
            return kept;
        }
        kept.errorNumber = errno;
        return kept;
    }
    kept.errorNumber = EEXIST;
    return kept;
}

} // namespace tarnix
