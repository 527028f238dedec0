// A stream buffer that counts what a command writes without keeping it, so benchmarks time the
// work and not the output.
#pragma once

#include <cstddef>
#include <streambuf>

class CountingBuffer : public std::streambuf {
  public:
    std::size_t count = 0;

  protected:
    int_type overflow(int_type character) override {
        ++count;
        return character;
    }
    std::streamsize xsputn(const char*, std::streamsize size) override {
        count += static_cast<std::size_t>(size);
        return size;
    }
};
