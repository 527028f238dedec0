// NumberedName: a file name whose stem ends in a frame number, and its neighbours.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Splits "dir/shot.0007.png" into "dir/shot.", 7 (written with 4 digits) and ".png".
class NumberedName {
  public:
    // The parts of `path`, or nothing when its file name has no number before the extension.
    static std::optional<NumberedName> Parse(const std::string& path);

    // The name of the file `offset` numbers on, padded with zeros to the original number of
    // digits; empty when the number would be negative or overflow.
    std::string WithOffset(int64_t offset) const;

    int64_t Number() const { return m_Number; }

  private:
    std::string m_Prefix;
    std::string m_Suffix;
    int64_t m_Number = 0;
    int m_Digits = 0;
};
