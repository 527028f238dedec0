// The registered preference defaults and document preference values.
#include "tarsel/system/preferences.h"

#include <cmath>
#include <type_traits>

namespace {

// The process's registered defaults; the preference table the application owns.
struct DefaultTable {
    std::mutex Lock; // guards Values
    std::map<std::string, PrefValue, std::less<>> Values;
};

DefaultTable& Defaults() {
    static DefaultTable table;
    return table;
}

bool FindDefault(std::string_view name, PrefValue& out) {
    DefaultTable& table = Defaults();
    std::lock_guard guard(table.Lock);
    auto found = table.Values.find(name);
    if (found == table.Values.end()) return false;
    out = found->second;
    return true;
}

void SetDefault(std::string_view name, PrefValue value) {
    DefaultTable& table = Defaults();
    std::lock_guard guard(table.Lock);
    table.Values.insert_or_assign(std::string(name), std::move(value));
}

// Numbers answer as the asked kind; text never answers a number.
template <typename Number> bool AsNumber(const PrefValue& value, Number& out) {
    if (auto* i = std::get_if<int64_t>(&value)) {
        out = static_cast<Number>(*i);
        return true;
    }
    if (auto* d = std::get_if<double>(&value)) {
        if constexpr (std::is_integral_v<Number>) {
            // Doubles outside the integer range (and NaN) have no integer answer.
            if (!(std::fabs(*d) < 9.2e18)) return false;
        }
        out = static_cast<Number>(*d);
        return true;
    }
    return false;
}

} // namespace

bool DefPrefInt(std::string_view name, int64_t value) {
    SetDefault(name, value);
    return true;
}

bool DefPrefDouble(std::string_view name, double value) {
    SetDefault(name, value);
    return true;
}

bool DefPrefString(std::string_view name, std::string_view value) {
    SetDefault(name, std::string(value));
    return true;
}

int64_t GetPrefInt(std::string_view name, int64_t fallback) {
    PrefValue value;
    int64_t out = fallback;
    if (FindDefault(name, value) && AsNumber(value, out)) return out;
    return fallback;
}

double GetPrefDouble(std::string_view name, double fallback) {
    PrefValue value;
    double out = fallback;
    if (FindDefault(name, value) && AsNumber(value, out)) return out;
    return fallback;
}

std::string GetPrefString(std::string_view name, std::string_view fallback) {
    PrefValue value;
    if (FindDefault(name, value)) {
        if (auto* text = std::get_if<std::string>(&value)) return *text;
    }
    return std::string(fallback);
}

TarselDoc::TarselDoc() {
    m_Prefs.emplace(PREF_FFAspectX, 1.0);
    m_Prefs.emplace(PREF_FFAspectY, 1.0);
    m_Prefs.emplace(PREF_FFRate, 24.0);
}

void TarselDoc::SetPref(std::string_view name, PrefValue value) {
    std::lock_guard guard(m_PrefsLock);
    m_Prefs.insert_or_assign(std::string(name), std::move(value));
}

bool TarselDoc::Find(std::string_view name, PrefValue& out) const {
    {
        std::lock_guard guard(m_PrefsLock);
        auto found = m_Prefs.find(name);
        if (found != m_Prefs.end()) {
            out = found->second;
            return true;
        }
    }
    return FindDefault(name, out);
}

double TarselDoc::GetPrefDouble(std::string_view name, double fallback) const {
    PrefValue value;
    double out = fallback;
    if (Find(name, value) && AsNumber(value, out)) return out;
    return fallback;
}

int64_t TarselDoc::GetPrefInt(std::string_view name, int64_t fallback) const {
    PrefValue value;
    int64_t out = fallback;
    if (Find(name, value) && AsNumber(value, out)) return out;
    return fallback;
}

std::string TarselDoc::GetPrefString(std::string_view name, std::string_view fallback) const {
    PrefValue value;
    if (Find(name, value)) {
        if (auto* text = std::get_if<std::string>(&value)) return *text;
    }
    return std::string(fallback);
}
