// Report lines.
#include "report_line.h"

#include <unistd.h>

void ReportLine::Put(char c) {
    if (length_ < kCapacity) text_[length_++] = c;
}

ReportLine& ReportLine::Text(const char* text) {
    while (text && *text)
        Put(*text++);
    return *this;
}

ReportLine& ReportLine::Unsigned(uint64_t value) {
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (count > 0)
        Put(digits[--count]);
    return *this;
}

ReportLine& ReportLine::Signed(int64_t value) {
    if (value < 0) {
        Put('-');
        return Unsigned(0 - static_cast<uint64_t>(value));
    }
    return Unsigned(static_cast<uint64_t>(value));
}

ReportLine& ReportLine::Hex(uint64_t value, int digits) {
    char text[16];
    int count = 0;
    do {
        int digit = static_cast<int>(value & 0xF);
        text[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
        value >>= 4;
    } while (value);
    for (int pad = count; pad < digits; ++pad)
        Put('0');
    while (count > 0)
        Put(text[--count]);
    return *this;
}

ReportLine& ReportLine::Pointer(uintptr_t value) {
    if (value == 0) return Text("(nil)");
    Text("0x");
    return Hex(value, 1);
}

void ReportLine::WriteTo(int fd) const {
    ssize_t written = write(fd, text_, length_);
    (void)written;
}
