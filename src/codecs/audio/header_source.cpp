// Reading header bytes from a codec stream or from an object's data value.
#include "audio/header_source.h"

#include "omf/omf_access.h"
#include "omf/omf_registry.h"

namespace omf::codecs::audio {

bool StreamHeaderSource::readAt(omfInt64 offset, void* buffer, size_t bytes) {
    if (offset < 0) return false;
    if (media::streamSeek(stream_, offset) != 0) return false;
    omfInt64 read = 0;
    return media::streamRead(stream_, buffer, omfInt64(bytes), &read) == 0 &&
           read == omfInt64(bytes);
}

bool ValueHeaderSource::readAt(omfInt64 offset, void* buffer, size_t bytes) {
    if (offset < 0) return false;
    omfInt32 read = 0;
    return omfsReadDataBytes(file_, object_, property_, type_, offset, omfInt32(bytes), buffer,
                             &read) == 0 &&
           read == omfInt32(bytes);
}

} // namespace omf::codecs::audio
