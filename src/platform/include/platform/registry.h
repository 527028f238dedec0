// Registry values, read from a small key file.
//
// The file lists keys and their text values:
//
//   ; a comment
//   [HKEY_LOCAL_MACHINE\Software\Apple Computer, Inc.\QuickTime]
//   "QTSysDir"="/opt/movie/"
//
// A key line names a key in brackets; each value line under it is a quoted
// name, '=', and a quoted text. Inside quotes "\\" stands for a backslash and
// "\"" for a quote. Blank lines and lines starting with ';' are skipped;
// spaces and tabs around a line are ignored. Key and value names compare
// without regard to letter case. A later value of the same key and name
// replaces an earlier one.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Environment variable naming the key file; without it the file is
// "<program>.reg" next to the running program.
inline constexpr const char* kRegistryFileVariable = "TARSEL_REGISTRY";

// Limits of a key file.
inline constexpr size_t kMaxKeyFileBytes = 64 * 1024;
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 255;
inline constexpr size_t kMaxValueTextLength = 4096;

enum class KeyFileError {
    None,
    Unreadable,          // the file exists but cannot be read
    TooLarge,            // more than kMaxKeyFileBytes
    NulByte,             // a NUL byte in the file
    UnterminatedKeyName, // "[" without "]" closing the line
    EmptyKeyName,        // "[]"
    KeyNameTooLong,      // more than kMaxKeyNameLength
    ValueOutsideKey,     // a value line before any key line
    NotAValueLine,       // a line that is neither a key, a value, a comment nor blank
    UnterminatedText,    // a quoted name or text without its closing quote
    BadEscape,           // a backslash not followed by '\' or '"'
    EmptyValueName,      // ""="..."
    ValueNameTooLong,    // more than kMaxValueNameLength
    ValueTextTooLong,    // more than kMaxValueTextLength
    MissingEquals,       // no '=' after the value name
    TrailingText,        // anything after the closing quote of the text
};

// The message of an error code.
const char* KeyFileErrorText(KeyFileError error);

class RegistryValues {
  public:
    // No values at all.
    RegistryValues() = default;

    // Parses a key file's bytes. On failure `errorLine` is the 1-based line
    // of the fault (0 for faults of the whole file) and the values are empty.
    KeyFileError Parse(std::string_view bytes, size_t& errorLine);
    // Reads and parses a file; a missing file gives no values and no error.
    KeyFileError Load(const std::string& path, size_t& errorLine);

    // The text of value `name` under key `key`, or nothing.
    std::optional<std::string> Query(std::string_view key, std::string_view name) const;
    size_t Count() const { return values_.size(); }

  private:
    // Keyed by lower-case "key\nname": '\n' cannot occur in either.
    std::map<std::string, std::string> values_;
};

// The key file this process reads: the variable's path, else the default.
std::string RegistryFilePath();

} // namespace platform
