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

// Tags of the clip calls.
enum ClipTag : uint32_t {
    CLIP_BitsPerChannel = 0x10000200, // integer: 8 or 16 bits per channel for written files
};

// A clip opens its file on the first frame asked for. A single picture answers every frame
// number from 0 on with a copy of itself; a picture whose name ends in a number next to another
// existing number (shot.0007.png beside shot.0008.png) starts a sequence in which frame n is the
// file numbered n further on; anything else is read as a movie whose frame n is the picture
// shown n frame durations after its start. Files that cannot be read, missing frames and negative
// frame numbers answer null. A path written as on Windows (backslashes, a drive letter, names in
// another case) is found on this system as ResolveHostPath (host_path.h) describes.
//
// A clip made for saving writes frames as picture files instead (PutFrameTagList): frame n goes
// to the file numbered n further on when the name ends in a number, else frame 0 to the name
// itself and frame n to the name with n (four digits at least) before the extension.
// New clips start with one reference; Use adds one and Recycle drops one, deleting at zero.
class Clip {
  public:
    // `forSaving` makes a clip that writes frames and answers none. `doc` may be null.
    Clip(const char* path, bool forSaving, TarselDoc* doc);
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    // Frame `frame` as a new image owned by the caller (release it with Recycle), or null.
    // The tag list is not needed for reading and may be null.
    Image* GetFrameTagList(int32_t frame, const TagList* tags = nullptr);
    Image* GetFrameTagList(int32_t frame, const TagList& tags) {
        return GetFrameTagList(frame, &tags);
    }

    // Writes `image` as frame `frame` of a clip made for saving, as a picture file chosen by the
    // extension (see WritePicture). CLIP_BitsPerChannel (integer) asks for 16-bit files where
    // the kind has them. False for a reading clip, a negative frame or a failed write.
    bool PutFrameTagList(int32_t frame, const Image* image, const TagList* tags = nullptr);
    // The file frame `frame` of a saving clip is written to ("" for a negative frame).
    std::string FrameFileName(int32_t frame) const;

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
