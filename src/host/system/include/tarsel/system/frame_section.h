// Frames the movie server hands over in a shared-memory section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

// A read-only view of the section the server names in a frame answer ("MapName"). The server
// reports session-qualified names ("Session\N\NAME"), which map to the same object in every
// process; a bare local name is refused, since this process's session is the server's to know.
class FrameSectionView {
  public:
    FrameSectionView(const FrameSectionView&) = delete;
    FrameSectionView& operator=(const FrameSectionView&) = delete;
    ~FrameSectionView();

    // Opens and maps the section, or null when the name is not a qualified section name, the
    // section does not exist, or it cannot be mapped.
    static std::unique_ptr<FrameSectionView> Open(std::string_view reportedName);

    std::span<const uint8_t> Bytes() const { return {m_View, m_Size}; }

  private:
    FrameSectionView(const uint8_t* view, size_t size) : m_View(view), m_Size(size) {}

    const uint8_t* m_View;
    size_t m_Size;
};
