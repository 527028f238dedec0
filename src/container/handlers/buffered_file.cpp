// Positioned reads and writes over one file descriptor, buffered.
#include "buffered_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace container {
namespace {

struct OpenMode {
    int flags = 0;
    bool writable = false;
    bool appending = false;
    bool valid = false;
};

// The open(2) flags of an fopen-style mode; 'b' and other letters after the
// first are ignored as fopen ignores them.
OpenMode parseMode(const char* mode) {
    OpenMode parsed;
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
    case 'r':
        parsed.flags = update ? O_RDWR : O_RDONLY;
        parsed.writable = update;
        break;
    case 'w':
        parsed.flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        parsed.writable = true;
        break;
    case 'a':
        parsed.flags = (update ? O_RDWR : O_WRONLY) | O_CREAT;
        parsed.writable = true;
        parsed.appending = true;
        break;
    default:
        return parsed;
    }
    parsed.flags |= O_CLOEXEC;
    parsed.valid = true;
    return parsed;
}

} // namespace

ReadWindow* ReadCache::find(uint64_t position) {
    if (readAhead.holds(position)) return &readAhead;
    if (windows[recent].holds(position)) {
        windows[recent].lastUse = ++clock;
        return &windows[recent];
    }
    for (int index = 0; index < kWindows; ++index) {
        if (windows[index].holds(position)) {
            windows[index].lastUse = ++clock;
            recent = index;
            return &windows[index];
        }
    }
    return nullptr;
}

ReadWindow& ReadCache::windowFor(uint64_t start) {
    ReadWindow* chosen = &windows[0];
    for (ReadWindow& window : windows) {
        if (window.length > 0 && window.start == start) {
            // A window cut short by the end of the file, which has grown since.
            chosen = &window;
            break;
        }
        if (window.lastUse < chosen->lastUse) chosen = &window;
    }
    chosen->lastUse = ++clock;
    recent = static_cast<int>(chosen - windows);
    return *chosen;
}

void ReadCache::clear() {
    for (ReadWindow& window : windows)
        window.length = 0;
    readAhead.length = 0;
    lastEnd = UINT64_MAX;
}

BufferedFile::~BufferedFile() {
    close();
}

int BufferedFile::open(const char* name, const char* mode) {
    close();
    const OpenMode parsed = parseMode(mode);
    if (!parsed.valid) return EINVAL;
    const int descriptor = ::open(name, parsed.flags, 0666);
    if (descriptor < 0) return errno;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        return error;
    }
    descriptor_ = descriptor;
    writable_ = parsed.writable;
    appending_ = parsed.appending;
    failed_ = false;
    size_ = static_cast<uint64_t>(status.st_size);
    clearWindows();
    pendingLength_ = 0;
    return 0;
}

bool BufferedFile::close() {
    if (descriptor_ < 0) return true;
    bool closed = flush();
    if (::close(descriptor_) != 0) closed = false;
    descriptor_ = -1;
    failed_ = false;
    pendingLength_ = 0;
    clearWindows();
    return closed;
}

size_t BufferedFile::readFromFile(uint64_t position, unsigned char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(descriptor_, buffer + done, size - done, static_cast<off_t>(position + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

bool BufferedFile::writeOut(uint64_t position, const unsigned char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t put =
            ::pwrite(descriptor_, data + done, size - done, static_cast<off_t>(position + done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

size_t BufferedFile::read(int cacheIndex, uint64_t position, void* buffer, size_t size) {
    if (descriptor_ < 0 || size == 0 || cacheIndex < 0 || cacheIndex >= kCacheCount) return 0;
    if (position > static_cast<uint64_t>(INT64_MAX) - size) return 0;
    ReadCache& cache = caches_[cacheIndex];
    auto* out = static_cast<unsigned char*>(buffer);
    const bool inOrder = position == cache.lastEnd;
    size_t done = 0;
    while (done < size) {
        const uint64_t at = position + done;
        ReadWindow* window = cache.find(at);
        if (window == nullptr) {
            // The file must hold every byte written so far before it is read.
            if (!flush()) break;
            const size_t rest = size - done;
            if (inOrder && rest < kReadAheadSize) {
                window = &cache.readAhead;
                fillWindow(*window, at - at % kPageSize, kReadAheadSize);
            } else if (rest >= kWindowSize) {
                done += readFromFile(at, out + done, rest);
                break;
            } else {
                window = &cache.windowFor(at - at % kWindowSize);
                fillWindow(*window, at - at % kWindowSize, kWindowSize);
            }
            if (!window->holds(at)) break; // the end of the file
        }
        const size_t within = static_cast<size_t>(at - window->start);
        const size_t count = std::min(window->length - within, size - done);
        std::memcpy(out + done, window->bytes.get() + within, count);
        done += count;
    }
    cache.lastEnd = position + done;
    return done;
}

void BufferedFile::fillWindow(ReadWindow& window, uint64_t start, size_t capacity) {
    if (!window.bytes) window.bytes.reset(new unsigned char[capacity]);
    window.start = start;
    window.length = readFromFile(start, window.bytes.get(), capacity);
    windowedStart_ = std::min(windowedStart_, window.start);
    windowedEnd_ = std::max(windowedEnd_, window.start + window.length);
}

size_t BufferedFile::write(uint64_t position, const void* data, size_t size) {
    if (descriptor_ < 0 || !writable_ || failed_ || size == 0) return 0;
    if (appending_) position = size_;
    if (position > static_cast<uint64_t>(INT64_MAX) - size) return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const bool continues = pendingLength_ > 0 && position == pendingStart_ + pendingLength_ &&
                           size <= kBufferSize - pendingLength_;
    if (continues) {
        std::memcpy(pending_.get() + pendingLength_, bytes, size);
        pendingLength_ += size;
    } else {
        if (!flush()) return 0;
        if (size >= kBufferSize) {
            if (!writeOut(position, bytes, size)) {
                failed_ = true;
                return 0;
            }
        } else {
            if (!pending_) pending_ = std::make_unique<unsigned char[]>(kBufferSize);
            std::memcpy(pending_.get(), bytes, size);
            pendingStart_ = position;
            pendingLength_ = size;
        }
    }
    updateWindows(position, bytes, size);
    size_ = std::max(size_, position + size);
    return size;
}

bool BufferedFile::flush() {
    if (pendingLength_ == 0) return !failed_;
    const bool written = writeOut(pendingStart_, pending_.get(), pendingLength_);
    pendingLength_ = 0;
    if (!written) failed_ = true;
    return written;
}

void BufferedFile::clearWindows() {
    for (ReadCache& cache : caches_)
        cache.clear();
    windowedStart_ = UINT64_MAX;
    windowedEnd_ = 0;
}

void BufferedFile::updateWindows(uint64_t position, const unsigned char* data, size_t size) {
    if (position >= windowedEnd_ || position + size <= windowedStart_) return;
    for (ReadCache& cache : caches_) {
        for (ReadWindow& window : cache.windows)
            updateWindow(window, position, data, size);
        updateWindow(cache.readAhead, position, data, size);
    }
}

void BufferedFile::updateWindow(ReadWindow& window, uint64_t position, const unsigned char* data,
                                size_t size) {
    if (window.length == 0) return;
    const uint64_t from = std::max(position, window.start);
    const uint64_t to = std::min(position + size, window.start + window.length);
    if (from >= to) return;
    std::memcpy(window.bytes.get() + (from - window.start), data + (from - position),
                static_cast<size_t>(to - from));
}

} // namespace container
