// TsID: an interned identifier text. Two TsIDs made from equal texts share
// one stored copy, so comparing them is a pointer comparison and the text
// stays valid for the life of the process.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

class TsID {
  public:
    // The empty identifier (NOID).
    constexpr TsID() = default;
    TsID(const char* text);
    TsID(std::string_view text);
    TsID(const std::string& text) : TsID(std::string_view(text)) {}

    // The interned text; "" for NOID.
    const char* c_str() const { return text_ ? text_ : ""; }
    operator const char*() const { return c_str(); }
    std::string_view view() const { return text_ ? std::string_view(text_) : std::string_view(); }
    bool IsNoID() const { return text_ == nullptr; }

    friend bool operator==(TsID a, TsID b) { return a.text_ == b.text_; }
    friend bool operator==(TsID a, const char* b) { return a.view() == (b ? b : ""); }
    friend bool operator==(TsID a, std::string_view b) { return a.view() == b; }

  private:
    const char* text_ = nullptr; // points into the intern table, never freed
};

// The empty identifier.
inline constexpr TsID NOID{};

// Text with the host's conversions. Stored as UTF-8; on this platform the ANSI
// form is the same bytes.
class TsStringT {
  public:
    TsStringT() = default;
    TsStringT(const char* text) : text_(text ? text : "") {}
    TsStringT(std::string_view text) : text_(text) {}
    TsStringT(TsID id) : text_(id.view()) {}

    const char* ToANSI() const { return text_.c_str(); }
    const std::string& str() const { return text_; }
    bool IsEmpty() const { return text_.empty(); }
    friend bool operator==(const TsStringT& a, const TsStringT& b) { return a.text_ == b.text_; }

  private:
    std::string text_;
};
