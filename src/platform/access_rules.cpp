// Security text to file mode.
#include "platform/access_rules.h"

#include <cstdint>

namespace platform {
namespace {

// Generic access bits of a numeric rights field that map onto mode bits
// (execute, 0x20000000, gives none: sections are not run).
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kGenericWrite = 0x40000000u;
constexpr uint32_t kGenericAll = 0x10000000u;
// Longest text examined; a real access list is far shorter.
constexpr size_t kMaxTextLength = 4096;

enum class Account { Superuser, Owner, Everyone };

struct Rights {
    bool read = false;
    bool write = false;
};

std::optional<Account> ParseAccount(std::string_view text) {
    if (text == "SY" || text == "BA") return Account::Superuser;
    if (text == "IU" || text == "OW" || text == "CO") return Account::Owner;
    if (text == "WD" || text == "AU") return Account::Everyone;
    return std::nullopt;
}

std::optional<Rights> ParseNumericRights(std::string_view text) {
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    uint32_t bits = 0;
    for (char c : text.substr(2)) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        bits = bits << 4 | static_cast<uint32_t>(digit);
    }
    Rights rights;
    rights.read = (bits & (kGenericRead | kGenericAll)) != 0;
    rights.write = (bits & (kGenericWrite | kGenericAll)) != 0;
    return rights;
}

std::optional<Rights> ParseRights(std::string_view text) {
    if (text.empty()) return std::nullopt;
    if (text[0] == '0') return ParseNumericRights(text);
    if (text.size() % 2 != 0) return std::nullopt;
    Rights rights;
    for (size_t at = 0; at < text.size(); at += 2) {
        std::string_view code = text.substr(at, 2);
        if (code == "GA") {
            rights.read = rights.write = true;
        } else if (code == "GR") {
            rights.read = true;
        } else if (code == "GW") {
            rights.write = true;
        } else if (code != "GX") {
            return std::nullopt;
        }
    }
    return rights;
}

mode_t BitsFor(Account account, Rights rights) {
    mode_t bits = 0;
    if (account == Account::Owner) {
        if (rights.read) bits |= 0400;
        if (rights.write) bits |= 0200;
    } else if (account == Account::Everyone) {
        if (rights.read) bits |= 0044;
        if (rights.write) bits |= 0022;
    }
    return bits;
}

// Splits "a;b;c;d;e;f" into exactly six fields.
bool SplitEntry(std::string_view entry, std::string_view (&fields)[6]) {
    for (size_t i = 0; i < 6; ++i) {
        size_t end = entry.find(';');
        if ((end == entry.npos) != (i == 5)) return false;
        fields[i] = entry.substr(0, end);
        entry = end == entry.npos ? std::string_view() : entry.substr(end + 1);
    }
    return true;
}

} // namespace

std::optional<mode_t> FileModeFromSecurityText(std::string_view text) {
    if (text.size() > kMaxTextLength || text.substr(0, 2) != "D:") return std::nullopt;
    text.remove_prefix(2);
    // Flags of the list: protected, inheritance flags. They change nothing here.
    while (!text.empty() && text[0] != '(') {
        if (text.substr(0, 2) == "AI" || text.substr(0, 2) == "AR") {
            text.remove_prefix(2);
        } else if (text[0] == 'P') {
            text.remove_prefix(1);
        } else {
            return std::nullopt;
        }
    }
    mode_t allowed = kOwnerOnlyMode;
    mode_t denied = 0;
    while (!text.empty()) {
        size_t close = text.find(')');
        if (text[0] != '(' || close == text.npos) return std::nullopt;
        std::string_view fields[6];
        if (!SplitEntry(text.substr(1, close - 1), fields)) return std::nullopt;
        text.remove_prefix(close + 1);
        // fields: type; inheritance flags; rights; object type; inherited object type; account
        if (fields[0] != "A" && fields[0] != "D") return std::nullopt;
        for (char c : fields[1])
            if (c < 'A' || c > 'Z') return std::nullopt;
        if (!fields[3].empty() || !fields[4].empty()) return std::nullopt;
        std::optional<Rights> rights = ParseRights(fields[2]);
        std::optional<Account> account = ParseAccount(fields[5]);
        if (!rights || !account) return std::nullopt;
        if (fields[0] == "A")
            allowed |= BitsFor(*account, *rights);
        else if (*account == Account::Everyone)
            denied |= BitsFor(*account, *rights);
    }
    return allowed & ~denied;
}

} // namespace platform
