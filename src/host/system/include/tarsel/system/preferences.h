// Preferences: process-wide defaults registered by name, and per-document values.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <variant>

// Names of the document's frame-format preferences.
inline constexpr const char* PREF_FFAspectX = "Comp.FrameFormat.AspectX"; // pixel aspect X
inline constexpr const char* PREF_FFAspectY = "Comp.FrameFormat.AspectY"; // pixel aspect Y
inline constexpr const char* PREF_FFRate = "Comp.FrameFormat.Rate";       // frames per second

using PrefValue = std::variant<int64_t, double, std::string>;

// Registers the default of an integer, double or text preference. A later registration of the
// same name replaces the default. Answers true.
bool DefPrefInt(std::string_view name, int64_t value);
bool DefPrefDouble(std::string_view name, double value);
bool DefPrefString(std::string_view name, std::string_view value);

// The registered default, or the fallback when the name is unknown or holds another kind.
int64_t GetPrefInt(std::string_view name, int64_t fallback = 0);
double GetPrefDouble(std::string_view name, double fallback = 0.0);
std::string GetPrefString(std::string_view name, std::string_view fallback = {});

// A composition document. Its own preference values override the registered defaults; the
// frame format starts at pixel aspect 1 x 1 and 24 frames per second.
class TarselDoc {
  public:
    TarselDoc();
    TarselDoc(const TarselDoc&) = delete;
    TarselDoc& operator=(const TarselDoc&) = delete;

    void SetPref(std::string_view name, PrefValue value);

    // Numbers convert between integer and double; text answers the fallback.
    double GetPrefDouble(std::string_view name, double fallback = 0.0) const;
    int64_t GetPrefInt(std::string_view name, int64_t fallback = 0) const;
    std::string GetPrefString(std::string_view name, std::string_view fallback = {}) const;

  private:
    bool Find(std::string_view name, PrefValue& out) const;

    mutable std::mutex m_PrefsLock; // guards m_Prefs
    std::map<std::string, PrefValue, std::less<>> m_Prefs;
};
