// DV frames stored in OMF files, decoded by the movie server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tarsel/script_val.h"

class Object;

namespace omfplugin {

// Decodes one compressed DV frame through the server's "AvidDVDecompress" as a frame of `width`
// x 2 `fieldHeight` rows with separate fields, binding `server` (the format object `owner`'s own
// reference) first. The decoded 4-byte A, R, G, B pixels, one field's rows after the other's,
// are copied into `out` up to its size. Answers the number of bytes copied: 0 when no server
// runs or its answer holds no "RawDataOut" memory block.
std::size_t DecodeDVFrame(ScriptVal& server, Object* owner, int32_t width, int32_t fieldHeight,
                          std::span<const uint8_t> frame, std::span<uint8_t> out);

} // namespace omfplugin
