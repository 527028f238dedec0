// Registry key files.
#include "platform/registry.h"

#include "platform/module_loading.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include <sys/stat.h>

namespace platform {
namespace {

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string ValueKey(std::string_view key, std::string_view name) {
    return LowerCase(key) + '\n' + LowerCase(name);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Reads a quoted text at the start of `line` (which starts with '"'),
// unescaping it into `out`, and steps past it. Stops early with an error
// once `limit` characters are exceeded.
KeyFileError ReadQuoted(std::string_view& line, std::string& out, size_t limit,
                        KeyFileError tooLong) {
    out.clear();
    size_t at = 1;
    for (;;) {
        if (at >= line.size()) return KeyFileError::UnterminatedText;
        char c = line[at++];
        if (c == '"') break;
        if (c == '\\') {
            if (at >= line.size()) return KeyFileError::UnterminatedText;
            c = line[at++];
            if (c != '\\' && c != '"') return KeyFileError::BadEscape;
        }
        if (out.size() == limit) return tooLong;
        out.push_back(c);
    }
    line.remove_prefix(at);
    return KeyFileError::None;
}

} // namespace

const char* KeyFileErrorText(KeyFileError error) {
    switch (error) {
    case KeyFileError::None:
        return "no error";
    case KeyFileError::Unreadable:
        return "the key file cannot be read";
    case KeyFileError::TooLarge:
        return "the key file is too large";
    case KeyFileError::NulByte:
        return "a NUL byte in the key file";
    case KeyFileError::UnterminatedKeyName:
        return "a key name without its closing bracket";
    case KeyFileError::EmptyKeyName:
        return "an empty key name";
    case KeyFileError::KeyNameTooLong:
        return "a key name that is too long";
    case KeyFileError::ValueOutsideKey:
        return "a value before any key";
    case KeyFileError::NotAValueLine:
        return "a line that is neither a key nor a value";
    case KeyFileError::UnterminatedText:
        return "a quoted text without its closing quote";
    case KeyFileError::BadEscape:
        return "a backslash not followed by a backslash or a quote";
    case KeyFileError::EmptyValueName:
        return "an empty value name";
    case KeyFileError::ValueNameTooLong:
        return "a value name that is too long";
    case KeyFileError::ValueTextTooLong:
        return "a value text that is too long";
    case KeyFileError::MissingEquals:
        return "a value name without '=' after it";
    case KeyFileError::TrailingText:
        return "text after a value";
    }
    return "unknown error";
}

KeyFileError RegistryValues::Parse(std::string_view bytes, size_t& errorLine) {
    values_.clear();
    errorLine = 0;
    if (bytes.size() > kMaxKeyFileBytes) return KeyFileError::TooLarge;
    if (bytes.find('\0') != bytes.npos) return KeyFileError::NulByte;

    std::map<std::string, std::string> values;
    std::string key;
    bool haveKey = false;
    std::string name;
    std::string text;
    size_t lineNumber = 0;
    auto fail = [&](KeyFileError error) {
        errorLine = lineNumber;
        return error;
    };
    while (!bytes.empty()) {
        ++lineNumber;
        size_t end = bytes.find('\n');
        std::string_view line = Trim(bytes.substr(0, end));
        bytes.remove_prefix(end == bytes.npos ? bytes.size() : end + 1);
        if (line.empty() || line.front() == ';') continue;

        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 2)
                return fail(KeyFileError::UnterminatedKeyName);
            std::string_view inside = line.substr(1, line.size() - 2);
            if (inside.empty()) return fail(KeyFileError::EmptyKeyName);
            if (inside.size() > kMaxKeyNameLength) return fail(KeyFileError::KeyNameTooLong);
            key = inside;
            haveKey = true;
            continue;
        }
        if (line.front() != '"') return fail(KeyFileError::NotAValueLine);
        if (!haveKey) return fail(KeyFileError::ValueOutsideKey);
        KeyFileError error =
            ReadQuoted(line, name, kMaxValueNameLength, KeyFileError::ValueNameTooLong);
        if (error != KeyFileError::None) return fail(error);
        if (name.empty()) return fail(KeyFileError::EmptyValueName);
        line = Trim(line);
        if (line.empty() || line.front() != '=') return fail(KeyFileError::MissingEquals);
        line = Trim(line.substr(1));
        if (line.empty() || line.front() != '"') return fail(KeyFileError::NotAValueLine);
        error = ReadQuoted(line, text, kMaxValueTextLength, KeyFileError::ValueTextTooLong);
        if (error != KeyFileError::None) return fail(error);
        if (!Trim(line).empty()) return fail(KeyFileError::TrailingText);
        values[ValueKey(key, name)] = text;
    }
    values_ = std::move(values);
    return KeyFileError::None;
}

KeyFileError RegistryValues::Load(const std::string& path, size_t& errorLine) {
    values_.clear();
    errorLine = 0;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? KeyFileError::None : KeyFileError::Unreadable;
    if (!S_ISREG(info.st_mode)) return KeyFileError::Unreadable;
    if (static_cast<uint64_t>(info.st_size) > kMaxKeyFileBytes) return KeyFileError::TooLarge;
    std::ifstream file(path, std::ios::binary);
    if (!file) return KeyFileError::Unreadable;
    // Read at most one byte past the limit: a file that grew since stat still
    // cannot make us hold more.
    std::string bytes(kMaxKeyFileBytes + 1, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) return KeyFileError::Unreadable;
    bytes.resize(static_cast<size_t>(file.gcount()));
    return Parse(bytes, errorLine);
}

std::optional<std::string> RegistryValues::Query(std::string_view key,
                                                 std::string_view name) const {
    auto found = values_.find(ValueKey(key, name));
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

std::string RegistryFilePath() {
    const char* configured = std::getenv(kRegistryFileVariable);
    if (configured && *configured) return configured;
    return ProgramFolder() + ProgramName() + ".reg";
}

} // namespace platform
