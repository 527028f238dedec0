// Clip: chooses between a still picture, a numbered sequence and a movie, and reads frames.
#include "tarsel/system/clip.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "host_path.h"
#include "picture_writer.h"
#include "tarsel/system/image.h"
#include "tarsel/system/numbered_name.h"
#include "tarsel/tags.h"
#include "video_decoder.h"

namespace {

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

// What the clip's file turned out to be, with the state needed to read it.
struct Clip::Reader {
    enum class Kind { Still, Sequence, Movie } Type = Kind::Movie;
    std::unique_ptr<VideoDecoder> Movie;
    Image* Picture = nullptr; // the still picture, kept for every frame
    std::optional<NumberedName> Sequence;

    ~Reader() {
        if (Picture) Picture->Recycle();
    }
};

Clip::Clip(const char* path, bool forSaving, TarselDoc* doc)
    : m_Path(path ? path : ""), m_ForSaving(forSaving), m_Doc(doc) {}

Clip::~Clip() = default;

void Clip::Recycle() {
    if (m_UseCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

Image* Clip::GetFrameTagList(int32_t frame, const TagList*) {
    if (frame < 0 || m_ForSaving) return nullptr;
    std::lock_guard guard(m_ReadLock);
    if (!m_Reader && !m_OpenFailed) {
        // The path may be written as on Windows (backslashes, a drive, another case).
        const std::string path = ResolveHostPath(m_Path);
        auto decoder = IsRegularFile(path) ? VideoDecoder::Open(path) : nullptr;
        if (!decoder) {
            m_OpenFailed = true;
            return nullptr;
        }
        auto reader = std::make_unique<Reader>();
        if (!decoder->IsStill()) {
            reader->Type = Reader::Kind::Movie;
            reader->Movie = std::move(decoder);
        } else {
            auto numbered = NumberedName::Parse(path);
            if (numbered && (IsRegularFile(numbered->WithOffset(1)) ||
                             IsRegularFile(numbered->WithOffset(-1)))) {
                reader->Type = Reader::Kind::Sequence;
                reader->Sequence = std::move(numbered);
            } else {
                reader->Type = Reader::Kind::Still;
                reader->Picture = decoder->ReadFrame(0);
                if (!reader->Picture) {
                    m_OpenFailed = true;
                    return nullptr;
                }
            }
        }
        m_Reader = std::move(reader);
    }
    if (!m_Reader) return nullptr;

    switch (m_Reader->Type) {
    case Reader::Kind::Still:
        return m_Reader->Picture->Clone();
    case Reader::Kind::Movie:
        return m_Reader->Movie->ReadFrame(frame);
    case Reader::Kind::Sequence: {
        const std::string name = m_Reader->Sequence->WithOffset(frame);
        if (name.empty() || !IsRegularFile(name)) return nullptr;
        auto decoder = VideoDecoder::Open(name);
        return decoder ? decoder->ReadFrame(0) : nullptr;
    }
    }
    return nullptr;
}

std::string Clip::FrameFileName(int32_t frame) const {
    if (frame < 0) return {};
    if (auto numbered = NumberedName::Parse(m_Path)) return numbered->WithOffset(frame);
    if (frame == 0) return m_Path;
    const std::size_t slash = m_Path.find_last_of('/');
    std::size_t dot = m_Path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        dot = m_Path.size();
    }
    char number[16];
    std::snprintf(number, sizeof number, "%04d", static_cast<int>(frame));
    return m_Path.substr(0, dot) + number + m_Path.substr(dot);
}

bool Clip::PutFrameTagList(int32_t frame, const Image* image, const TagList* tags) {
    if (!m_ForSaving || !image || frame < 0) return false;
    const int bits = tags ? static_cast<int>(tags->GetInt(CLIP_BitsPerChannel, 8)) : 8;
    const std::string name = FrameFileName(frame);
    if (name.empty()) return false;
    return WritePicture(name, *image, bits);
}
