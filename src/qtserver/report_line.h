// One line of a crash report, formatted in a fixed buffer on the caller's
// stack with no allocation, so it can be built inside a signal handler.
#pragma once

#include <cstddef>
#include <cstdint>

class ReportLine {
  public:
    static constexpr size_t kCapacity = 512;

    ReportLine& Text(const char* text);
    ReportLine& Signed(int64_t value);
    ReportLine& Unsigned(uint64_t value);
    // A pointer as "%p" prints it: "0x" and lower-case hex digits, "(nil)" for 0.
    ReportLine& Pointer(uintptr_t value);
    // At least `digits` lower-case hex digits, zero-padded ("%08Ix").
    ReportLine& Hex(uint64_t value, int digits);

    const char* Data() const { return text_; }
    size_t Length() const { return length_; }
    // Writes the line with one write of exactly its length; errors are ignored.
    void WriteTo(int fd) const;

  private:
    void Put(char c);

    char text_[kCapacity];
    size_t length_ = 0;
};
