// An open file read and written at explicit positions, with a write-behind
// buffer and read-ahead windows, so that positioning and small transfers cost
// no system call.
//
// Containers are many small values (a few bytes each, read or written one
// after the other) and then large media values; a system call per value is
// what an ordinary stream costs once it is repositioned before each value.
// Here positions are plain numbers until bytes must really move: small reads
// are served from a window read ahead with one pread, writes that follow one
// another collect in one buffer written with one pwrite, and large transfers
// go straight between the caller's memory and the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace container {

// Bytes read ahead from the file, starting at `start`.
struct ReadWindow {
    std::unique_ptr<unsigned char[]> bytes; // allocated on first use
    uint64_t start = 0;
    size_t length = 0; // bytes valid; shorter than the capacity at the end of the file

    bool holds(uint64_t position) const { return position >= start && position - start < length; }
};

class BufferedFile {
  public:
    // Size of the write buffer and of each read window. Transfers this large
    // or larger bypass them.
    static constexpr size_t kBufferSize = 64 * 1024;
    // Read windows, one per stream that reads through this file.
    static constexpr int kWindowCount = 2;

    BufferedFile() = default;
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;
    ~BufferedFile();

    // Opens `name` with an fopen-style mode ("rb", "rb+", "wb+", "ab", ...).
    // Answers 0 or the errno of the failure.
    int open(const char* name, const char* mode);
    // Writes what is buffered and closes; answers false when those bytes
    // could not be written. Closing a closed file does nothing.
    bool close();
    bool isOpen() const { return descriptor_ >= 0; }

    // Reads up to `size` bytes at `position` through read window `window`;
    // answers the bytes read, fewer at the end of the file or on an error.
    size_t read(int window, uint64_t position, void* buffer, size_t size);
    // Writes `size` bytes at `position` (at the end in append mode); answers
    // the bytes accepted, 0 when the file cannot be written or an earlier
    // buffered write failed.
    size_t write(uint64_t position, const void* data, size_t size);
    // Writes the buffered bytes to the file.
    bool flush();
    // The size of the file with the buffered bytes.
    uint64_t size() const { return size_; }

  private:
    bool writeOut(uint64_t position, const unsigned char* data, size_t size);
    size_t readFromFile(uint64_t position, unsigned char* buffer, size_t size);
    void updateWindows(uint64_t position, const unsigned char* data, size_t size);

    int descriptor_ = -1;
    bool writable_ = false;
    bool appending_ = false;
    bool failed_ = false; // a write was lost; later writes and flushes fail
    uint64_t size_ = 0;
    ReadWindow windows_[kWindowCount];
    std::unique_ptr<unsigned char[]> pending_; // bytes not yet written, allocated on first use
    uint64_t pendingStart_ = 0;
    size_t pendingLength_ = 0;
};

} // namespace container
