// Hostile bytes where clients hand them to the writing side. The first byte
// picks the reader: a DV frame decoded at 720 x 480 or 720 x 576 (with the
// byte's next bit), codec settings for the codec catalogue's H.264 and JPEG
// entries, or timecode text turned into a frame number.
#include "writing_routines.h"
#include "writing_settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t pick = data[0];
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    switch (pick % 3) {
    case 0: {
        const int32_t height = pick & 4 ? 576 : 480;
        std::vector<uint8_t> pixels(size_t{720} * 4 * height);
        movie::DecodeDVFrameArgs args{rest, restSize, 720, height, pixels.data(), 720 * 4};
        movie::DecodeDVFrame(&args);
        break;
    }
    case 1: {
        const uint32_t type = pick & 4 ? movie::FourCharCode("avc1") : movie::FourCharCode("jpeg");
        void* accepted = nullptr;
        size_t acceptedSize = 0;
        movie::CodecSettingsDialogArgs args{type, 0, rest, restSize, &accepted, &acceptedSize};
        const int32_t status = movie::CodecSettingsDialog(&args);
        // Accepted settings come back unchanged.
        if (status == movie::kNoError && acceptedSize != restSize) std::abort();
        std::free(accepted);
        break;
    }
    default: {
        const std::string_view text(reinterpret_cast<const char*>(rest), restSize);
        TimecodeFrameNumber(text, TimecodeFramesPerSecond(pick * 1.5));
        break;
    }
    }
    return 0;
}
