// The list of Avid codecs a client registers after omfmInit.
#include "omf/omf_avid_codecs.h"

#include <iterator>

namespace {

constexpr omfAvidCodecEntry_t kAvidCodecs[] = {
    {omfCodecAVR, false},
    {omfCodecAvidJPEG, false},
    {omfCodecAvidJFIF, false},
    {omfCodecTDVC, true},
};

} // namespace

extern "C" const omfAvidCodecEntry_t* omfmAvidCodecs(omfInt32* count) {
    if (count != nullptr) *count = omfInt32(std::size(kAvidCodecs));
    return kAvidCodecs;
}
