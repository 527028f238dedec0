// Unix-domain stream sockets and message frames over them.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tarsel::detail {

struct EncodedFrame;

enum class ReadResult { Frame, Closed, Malformed };

// Writes every byte, retrying after interruptions; false when the peer is
// gone or the socket failed. Never raises SIGPIPE.
bool SendAll(int fd, const char* data, size_t size);
// Sends an encoded frame, its in-place blocks straight from where they are.
bool SendFrame(int fd, const EncodedFrame& frame);
// Reads one frame and answers its body. Closed: the peer closed cleanly
// between frames. Malformed: a header over the size limit, or the stream
// ended or failed inside a frame. Memory grows only with bytes received.
ReadResult ReadFrame(int fd, std::vector<char>& body);
// Waits until `fd` can be read or `timeoutMs` passes; true when readable.
bool WaitReadable(int fd, int timeoutMs);

// A connected socket to `path`, or -1 (errno set). Paths too long for a
// socket address fail with ENAMETOOLONG.
int ConnectUnix(std::string_view path);
// A listening socket bound to `path`, or -1. A leftover socket file that
// nobody accepts on is replaced; a live one is not.
int ListenUnix(std::string_view path);

// Closes a descriptor, ignoring interruptions.
void CloseFd(int fd);

} // namespace tarsel::detail
