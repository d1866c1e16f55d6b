// Small helpers shared by the file formats: extension tests, the system's description of a failure,
// little-endian field packing, whole-file reads, locale-independent number text and the lenient number
// parsers of the text formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

// True when the last four characters of `path` equal `extension` (".csv") without regard to ASCII case.
bool HasExtension(std::string_view path, std::string_view extension);

// "Cann't save file: %s", "Can not open file: %s", "Couldn't open file: %s" with the system's text for
// the error number in place of %s.
std::string CannotSaveMessage(int errorNumber);
std::string CannotOpenMessage(int errorNumber);
std::string CouldNotOpenMessage(int errorNumber);

// Reads a whole file. Fails (with errno in `errorNumber`) when it cannot be opened or read, and also when
// it is larger than `maxBytes`, so a loader never allocates for a file far beyond its format.
// A file's bytes in a buffer that is not zero-filled first: a setup with a recording is 10 MB, and
// clearing memory that the read overwrites at once would double the cost of a load.
class ByteBuffer {
public:
    // Large buffers ask for huge pages, which spares thousands of page faults on a 10 MB load.
    void Allocate(std::size_t size);
    void Shrink(std::size_t size) { size_ = size < size_ ? size : size_; }
    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    const std::uint8_t* begin() const { return data_.get(); }
    const std::uint8_t* end() const { return data_.get() + size_; }
    operator std::span<const std::uint8_t>() const { return {data_.get(), size_}; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t, Free> data_;
    std::size_t size_ = 0;
};

struct FileBytes {
    bool ok = false;
    int errorNumber = 0;
    bool tooLarge = false;
    ByteBuffer bytes;
};
FileBytes ReadFileBytes(const std::string& path, std::size_t maxBytes);
// Reads at most the first `maxBytes` bytes of a file, however long it is.
FileBytes ReadFilePrefix(const std::string& path, std::size_t maxBytes);

// Whether `path` names an existing file (a link counts by what it points to).
bool FileExists(const std::string& path);

// Moves a file the program refused out of the way of the next save: to "<path>.bad", or "<path>.bad2",
// "<path>.bad3"... when that name is taken, so an older kept file is never replaced.
struct KeptFile {
    bool ok = false;
    std::string keptPath; // on success
    int errorNumber = 0;  // on failure
};
KeptFile KeepRefusedFile(const std::string& path);

// Appends little-endian fields to a byte buffer.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void U16(std::uint16_t v);
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v);
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void U64(std::uint64_t v);
    void F32(float v);
    void F64(double v);
    void U16Array(std::span<const std::uint16_t> values);
    void I16Array(std::span<const std::int16_t> values);
    void Raw(std::span<const std::uint8_t> bytes);

private:
    std::vector<std::uint8_t>& out_;
};

// Reads little-endian fields from a byte span. A read past the end yields 0 and sets the failed flag,
// so a parser can read a whole block and check once.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> in) : in_(in) {}
    std::uint16_t U16();
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    std::uint32_t U32();
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::uint64_t U64();
    float F32();
    double F64();
    // Reads up to out.size() 16-bit values; returns how many were complete.
    std::size_t U16Array(std::span<std::uint16_t> out);
    std::size_t I16Array(std::span<std::int16_t> out);
    // Appends exactly `count` 16-bit values to `out`, or fails (appending nothing) when fewer remain.
    // Fills a freshly reserved vector without clearing it first.
    bool AppendU16(std::vector<std::uint16_t>& out, std::size_t count);
    bool AppendI16(std::vector<std::int16_t>& out, std::size_t count);
    std::span<const std::uint8_t> Bytes(std::size_t count);
    std::size_t Remaining() const { return in_.size() - pos_; }
    std::size_t Position() const { return pos_; }
    bool Failed() const { return failed_; }

private:
    bool Take(void* dst, std::size_t count);
    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// printf's "%.Nf" without the C locale's influence: Qt programs switch LC_NUMERIC to the user's locale,
// and the files must always use "." as the decimal point.
void AppendFixed(std::string& out, double value, int decimals);

// Splits 8-bit text into lines at "\n", dropping a "\r" before it, as a text-mode stream does.
std::vector<std::string_view> SplitLines(std::string_view text);

// Decimal number at the start of `text` after leading spaces and tabs, like the C library's parser:
// "1.5e-3", "-2", "+.5". Text that does not start with a number, or a value that is not finite, gives 0.
double ParseLeadingDouble(std::string_view text);
// Decimal integer at the start of `text` after leading white space with an optional sign, stopping at the
// first non-digit; 0 when there are no digits. Saturates at the int range instead of overflowing.
int ParseLeadingInt(std::string_view text);

} // namespace tarnix
