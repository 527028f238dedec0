// Where a sound header is read from: the media's codec stream, or a data
// value of an object (the descriptor's Summary, the data object's Data)
// read in place without a stream.
#pragma once

#include "media/codec_support/codec_stream.h"
#include "omf/omf_types.h"

#include <cstddef>

namespace omf::codecs::audio {

class HeaderSource {
  public:
    virtual ~HeaderSource() = default;
    // Reads exactly `bytes` bytes at `offset`; false when they are not all there.
    virtual bool readAt(omfInt64 offset, void* buffer, size_t bytes) = 0;
};

class StreamHeaderSource final : public HeaderSource {
  public:
    explicit StreamHeaderSource(media::CodecStream& stream) : stream_(stream) {}
    bool readAt(omfInt64 offset, void* buffer, size_t bytes) override;

  private:
    media::CodecStream& stream_;
};

class ValueHeaderSource final : public HeaderSource {
  public:
    ValueHeaderSource(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type)
        : file_(file), object_(object), property_(property), type_(type) {}
    bool readAt(omfInt64 offset, void* buffer, size_t bytes) override;

  private:
    omfHdl_t file_;
    omfObject_t object_;
    omfProperty_t property_;
    omfType_t type_;
};

} // namespace omf::codecs::audio
