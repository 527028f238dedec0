// Clip: an external media file (picture, numbered picture sequence or movie) read frame by frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class Image;
class TagList;
class TarselDoc;

// A clip opens its file on the first frame asked for. A single picture answers every frame
// number from 0 on with a copy of itself; a picture whose name ends in a number next to another
// existing number (shot.0007.png beside shot.0008.png) starts a sequence in which frame n is the
// file numbered n further on; anything else is read as a movie whose frame n is its (n+1)-th
// picture. Files that cannot be read, missing frames and negative frame numbers answer null.
// New clips start with one reference; Use adds one and Recycle drops one, deleting at zero.
class Clip {
  public:
    // `forSaving` is kept for callers that open clips to write; this clip only reads, and a clip
    // made for saving answers no frames. `doc` may be null.
    Clip(const char* path, bool forSaving, TarselDoc* doc);
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    // Frame `frame` as a new image owned by the caller (release it with Recycle), or null.
    // The tag list is not needed for reading and may be null.
    Image* GetFrameTagList(int32_t frame, const TagList* tags = nullptr);
    Image* GetFrameTagList(int32_t frame, const TagList& tags) {
        return GetFrameTagList(frame, &tags);
    }

    const std::string& Path() const { return m_Path; }
    TarselDoc* Document() const { return m_Doc; }

    void Use() { m_UseCount.fetch_add(1, std::memory_order_relaxed); }
    void Recycle();
    int UseCount() const { return m_UseCount.load(std::memory_order_relaxed); }

  private:
    struct Reader;
    ~Clip();

    std::string m_Path;
    bool m_ForSaving;
    TarselDoc* m_Doc;
    std::mutex m_ReadLock; // guards m_Reader: one frame is read at a time
    std::unique_ptr<Reader> m_Reader;
    bool m_OpenFailed = false;
    std::atomic<int> m_UseCount{1};
};
