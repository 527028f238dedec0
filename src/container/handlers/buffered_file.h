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

// Bytes read from the file, starting at `start`.
struct ReadWindow {
    std::unique_ptr<unsigned char[]> bytes; // allocated on first use
    uint64_t start = 0;
    size_t length = 0; // bytes valid; shorter than a window at the end of the file
    uint64_t lastUse = 0;

    bool holds(uint64_t position) const { return position >= start && position - start < length; }
};

// The windows one stream reads through. Reading a container jumps between a
// few places (the definitions near the start, the object being read, the
// object a reference leads to), so a stream keeps several aligned windows and
// replaces the one used longest ago.
//
// Media data is read in order, a block at a time, from wherever the value
// happens to start in the file. Each such block read straight from the file
// costs a system call and, at an unaligned place, one page more than its
// size; a read that continues where the last one ended is served instead
// from the read-ahead window, refilled one large page-aligned read at a time.
struct ReadCache {
    static constexpr int kWindows = 8;
    ReadWindow windows[kWindows];
    ReadWindow readAhead;
    uint64_t clock = 0;
    int recent = 0; // the window used last: values read in order mostly stay in it
    uint64_t lastEnd = UINT64_MAX; // where the last read through this cache ended

    // The window holding `position`, or null.
    ReadWindow* find(uint64_t position);
    // The window to fill from `start`: the one already there, else the one
    // used longest ago.
    ReadWindow& windowFor(uint64_t start);
    void clear();
};

class BufferedFile {
  public:
    // Size of the write buffer; writes this large or larger bypass it.
    static constexpr size_t kBufferSize = 64 * 1024;
    // Size of a read window; reads this large or larger bypass the windows
    // unless they continue the previous read.
    static constexpr size_t kWindowSize = 16 * 1024;
    // Size of the read-ahead window and the alignment of its start. Reads in
    // order that are this large or larger go straight to the caller. The size
    // stays within a core's second-level cache, where the copy out is cheap.
    static constexpr size_t kReadAheadSize = 128 * 1024;
    static constexpr size_t kPageSize = 4096;
    // Read caches, one per stream that reads through this file.
    static constexpr int kCacheCount = 2;

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

    // Reads up to `size` bytes at `position` through read cache `cache`;
    // answers the bytes read, fewer at the end of the file or on an error.
    size_t read(int cache, uint64_t position, void* buffer, size_t size);
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
    // Reads `capacity` bytes from `start` into `window`, allocating it first.
    void fillWindow(ReadWindow& window, uint64_t start, size_t capacity);
    void clearWindows();
    // Copies written bytes into every window that holds their place.
    void updateWindows(uint64_t position, const unsigned char* data, size_t size);
    static void updateWindow(ReadWindow& window, uint64_t position, const unsigned char* data,
                             size_t size);

    int descriptor_ = -1;
    bool writable_ = false;
    bool appending_ = false;
    bool failed_ = false; // a write was lost; later writes and flushes fail
    uint64_t size_ = 0;
    ReadCache caches_[kCacheCount];
    // The span of file positions any window holds (empty when start >= end):
    // writes outside it, nearly all of them when a container is written, need
    // no window visited.
    uint64_t windowedStart_ = UINT64_MAX;
    uint64_t windowedEnd_ = 0;
    std::unique_ptr<unsigned char[]> pending_; // bytes not yet written, allocated on first use
    uint64_t pendingStart_ = 0;
    size_t pendingLength_ = 0;
};

} // namespace container
