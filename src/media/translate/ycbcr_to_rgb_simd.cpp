// 4:2:2 Y'CbCr -> 4-byte RGB with SSE2, bit-exact to the fixed-point
// formulas of the scalar loops:
//   R = Y + ((45941 c + 32768) >> 16), c = 2 Cr - 255
//   G = Y + ((-23401 c - 11277 d + 32768) >> 16), d = 2 Cb - 255
//   B = Y + ((58065 d + 32768) >> 16)
// each expanded from studio range by floor((255 v - 4080) / 219 + 0.5) after
// clamping v to 16..235.
#include "translate/ycbcr_to_rgb_simd.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace omf::media {

namespace {

// Constants of the red and blue terms as signed 16-bit factors: a product
// with 45941 or 58065 is the product with (k - 65536) plus the value in the
// high half.
constexpr int kRedFactor = 45941, kBlueFactor = 58065;

// (k v + 32768) >> 16 from 16-bit products: high half of v (k - 65536),
// plus v, plus the carry of adding 32768 to the low half (its top bit).
constexpr int termFromHalves(int v, int k) {
    const int product = v * (k - 65536);
    const int high = product >> 16;
    const int lowTopBit = (product & 0xFFFF) >> 15;
    return high + v + lowTopBit;
}

constexpr bool termsExact() {
    for (int v = -255; v <= 255; v += 2) {
        if (termFromHalves(v, kRedFactor) != (kRedFactor * v + 32768) >> 16) return false;
        if (termFromHalves(v, kBlueFactor) != (kBlueFactor * v + 32768) >> 16) return false;
    }
    return true;
}
static_assert(termsExact());

// Expansion of a clamped level v (16..235) by one unsigned high multiply:
// floor((((v - 16) << 8) + 110) x 38155 / 2^23) equals
// floor((255 v - 4080) / 219 + 0.5) for every level.
constexpr int kExpansionOffset = (16 << 8) - 110; // subtracted from v << 8
constexpr int kExpansionFactor = 38155;

constexpr bool expansionExact() {
    for (int v = 16; v <= 235; ++v) {
        const long long reference = (510LL * v - 8160 + 219) / 438;
        const long long vector =
            ((long long)((v << 8) - kExpansionOffset) * kExpansionFactor) >> 23;
        if (reference != vector) return false;
        if ((v << 8) - kExpansionOffset > 0xFFFF) return false;
    }
    return true;
}
static_assert(expansionExact());

#if defined(__SSE2__)

inline __m128i expand(__m128i level) {
    const __m128i clamped =
        _mm_min_epi16(_mm_max_epi16(level, _mm_set1_epi16(16)), _mm_set1_epi16(235));
    const __m128i scaled =
        _mm_sub_epi16(_mm_slli_epi16(clamped, 8), _mm_set1_epi16(kExpansionOffset));
    return _mm_srli_epi16(_mm_mulhi_epu16(scaled, _mm_set1_epi16(short(kExpansionFactor))), 7);
}

#endif

} // namespace

ComponentPlacement placementOf(int redByte, int greenByte, int blueByte) {
    ComponentPlacement placement{};
    const int bytes[3] = {redByte, greenByte, blueByte};
    for (size_t component = 0; component < 3; ++component) {
        const int byte = bytes[component];
        const uint16_t factor = byte % 2 == 0 ? 1 : 256;
        placement[component + (byte < 2 ? 0 : 3)] = factor;
    }
    return placement;
}

#if defined(__SSE2__)

size_t ycbcr422ToRgbWordVector(const uint8_t* in, uint8_t* out, size_t pixels,
                               const ComponentPlacement& placement) {
    const __m128i lowByte = _mm_set1_epi16(0x00FF);
    const __m128i offset255 = _mm_set1_epi16(255);
    // Even lanes hold d (blue factor), odd lanes c (red factor).
    const __m128i chromaFactors = _mm_set_epi16(
        short(kRedFactor - 65536), short(kBlueFactor - 65536), short(kRedFactor - 65536),
        short(kBlueFactor - 65536), short(kRedFactor - 65536), short(kBlueFactor - 65536),
        short(kRedFactor - 65536), short(kBlueFactor - 65536));
    const __m128i greenFactors =
        _mm_set_epi16(-23401, -11277, -23401, -11277, -23401, -11277, -23401, -11277);
    const __m128i rounding = _mm_set1_epi32(32768);
    const __m128i redLow = _mm_set1_epi16(short(placement[0]));
    const __m128i greenLow = _mm_set1_epi16(short(placement[1]));
    const __m128i blueLow = _mm_set1_epi16(short(placement[2]));
    const __m128i redHigh = _mm_set1_epi16(short(placement[3]));
    const __m128i greenHigh = _mm_set1_epi16(short(placement[4]));
    const __m128i blueHigh = _mm_set1_epi16(short(placement[5]));

    const size_t vectorPixels = pixels / 8 * 8;
    for (size_t done = 0; done < vectorPixels; done += 8, in += 16, out += 32) {
        const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i luma = _mm_srli_epi16(source, 8);        // Y0 .. Y7
        const __m128i chroma = _mm_and_si128(source, lowByte); // Cb, Cr per pair
        const __m128i centred = _mm_sub_epi16(_mm_add_epi16(chroma, chroma), offset255);

        // Blue terms in the even lanes, red terms in the odd lanes.
        const __m128i product = _mm_mullo_epi16(centred, chromaFactors);
        const __m128i blueRed =
            _mm_add_epi16(_mm_add_epi16(_mm_mulhi_epi16(centred, chromaFactors), centred),
                          _mm_srli_epi16(product, 15));
        // Green terms, one 32-bit sum per pair.
        const __m128i greenSums =
            _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(centred, greenFactors), rounding), 16);
        const __m128i greenPacked = _mm_packs_epi32(greenSums, greenSums);

        // Each pair's terms for both of its pixels.
        const __m128i redTerms = _mm_shufflehi_epi16(
            _mm_shufflelo_epi16(blueRed, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
        const __m128i blueTerms = _mm_shufflehi_epi16(
            _mm_shufflelo_epi16(blueRed, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
        const __m128i greenTerms = _mm_unpacklo_epi16(greenPacked, greenPacked);

        const __m128i red = expand(_mm_add_epi16(luma, redTerms));
        const __m128i green = expand(_mm_add_epi16(luma, greenTerms));
        const __m128i blue = expand(_mm_add_epi16(luma, blueTerms));

        const __m128i low = _mm_add_epi16(
            _mm_add_epi16(_mm_mullo_epi16(red, redLow), _mm_mullo_epi16(green, greenLow)),
            _mm_mullo_epi16(blue, blueLow));
        const __m128i high = _mm_add_epi16(
            _mm_add_epi16(_mm_mullo_epi16(red, redHigh), _mm_mullo_epi16(green, greenHigh)),
            _mm_mullo_epi16(blue, blueHigh));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(low, high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(low, high));
    }
    return vectorPixels;
}

#else

size_t ycbcr422ToRgbWordVector(const uint8_t*, uint8_t*, size_t, const ComponentPlacement&) {
    return 0;
}

#endif

} // namespace omf::media
