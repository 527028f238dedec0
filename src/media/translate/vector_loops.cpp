// The SSE2 loops (every x86-64 processor has SSE2) and the choice of loop.
#include "translate/vector_loops.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "translate/vector_kernels.h"
#endif

namespace omf::media {

ComponentPlacement placementOf(int redByte, int greenByte, int blueByte) {
    ComponentPlacement placement{};
    const int bytes[3] = {redByte, greenByte, blueByte};
    for (size_t component = 0; component < 3; ++component) {
        const int byte = bytes[component];
        placement[component + (byte < 2 ? 0 : 3)] = byte % 2 == 0 ? 1 : 256;
    }
    return placement;
}

#if defined(__SSE2__)

// Declared here, defined with AVX2 code generation in their own file.
size_t ycbcr422ToRgbWordAvx2(const uint8_t* in, uint8_t* out, size_t pixels,
                             const ComponentPlacement& placement);
size_t rgbWordToYCbCr422Avx2(const uint8_t* in, uint8_t* out, size_t pixels,
                             const std::array<int, 3>& byteShifts);

namespace {

struct Sse2Ops {
    using V = __m128i;
    static constexpr size_t kWords = 8;

    static V load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
    static void store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
    // Pixel words (16 bits per pixel) in pixel order.
    static void storeWords(uint8_t* p, V words) { store(p, words); }
    // Low and high 16-bit halves of 4-byte pixels, joined in pixel order.
    static void storeHalves(uint8_t* p, V low, V high) {
        store(p, _mm_unpacklo_epi16(low, high));
        store(p + 16, _mm_unpackhi_epi16(low, high));
    }

    static V set16(short v) { return _mm_set1_epi16(v); }
    static V set32(int v) { return _mm_set1_epi32(v); }
    static V pairs16(short even, short odd) { return quads16(even, odd, even, odd); }
    static V quads16(short a, short b, short c, short d) {
        return _mm_set_epi16(d, c, b, a, d, c, b, a);
    }

    static V and_(V a, V b) { return _mm_and_si128(a, b); }
    static V or_(V a, V b) { return _mm_or_si128(a, b); }
    static V add16(V a, V b) { return _mm_add_epi16(a, b); }
    static V sub16(V a, V b) { return _mm_sub_epi16(a, b); }
    static V add32(V a, V b) { return _mm_add_epi32(a, b); }
    static V min16(V a, V b) { return _mm_min_epi16(a, b); }
    static V max16(V a, V b) { return _mm_max_epi16(a, b); }
    static V mullo16(V a, V b) { return _mm_mullo_epi16(a, b); }
    static V mulhi16(V a, V b) { return _mm_mulhi_epi16(a, b); }
    static V mulhiu16(V a, V b) { return _mm_mulhi_epu16(a, b); }
    static V madd16(V a, V b) { return _mm_madd_epi16(a, b); }
    static V packs32(V a, V b) { return _mm_packs_epi32(a, b); }
    static V unpacklo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
    static V unpackhi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
    template <int N> static V slli16(V a) { return _mm_slli_epi16(a, N); }
    template <int N> static V srli16(V a) { return _mm_srli_epi16(a, N); }
    template <int N> static V srai32(V a) { return _mm_srai_epi32(a, N); }
    static V srl32(V a, int bits) { return _mm_srl_epi32(a, _mm_cvtsi32_si128(bits)); }
    template <int D, int C, int B, int A> static V shuffle16(V a) {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, _MM_SHUFFLE(D, C, B, A)),
                                   _MM_SHUFFLE(D, C, B, A));
    }
};

size_t ycbcr422ToRgbWordSse2(const uint8_t* in, uint8_t* out, size_t pixels,
                             const ComponentPlacement& placement) {
    return ycbcr422ToRgbWordKernel<Sse2Ops>(in, out, pixels, placement);
}

size_t rgbWordToYCbCr422Sse2(const uint8_t* in, uint8_t* out, size_t pixels,
                             const std::array<int, 3>& byteShifts) {
    return rgbWordToYCbCr422Kernel<Sse2Ops>(in, out, pixels, byteShifts);
}

bool hasAvx2() {
    return __builtin_cpu_supports("avx2");
}

} // namespace

std::vector<YCbCr422ToRgbWordLoop> ycbcr422ToRgbWordLoops() {
    if (hasAvx2()) return {&ycbcr422ToRgbWordSse2, &ycbcr422ToRgbWordAvx2};
    return {&ycbcr422ToRgbWordSse2};
}

std::vector<RgbWordToYCbCr422Loop> rgbWordToYCbCr422Loops() {
    if (hasAvx2()) return {&rgbWordToYCbCr422Sse2, &rgbWordToYCbCr422Avx2};
    return {&rgbWordToYCbCr422Sse2};
}

YCbCr422ToRgbWordLoop ycbcr422ToRgbWordLoop() { return ycbcr422ToRgbWordLoops().back(); }
RgbWordToYCbCr422Loop rgbWordToYCbCr422Loop() { return rgbWordToYCbCr422Loops().back(); }

#else

YCbCr422ToRgbWordLoop ycbcr422ToRgbWordLoop() {
    return nullptr;
}
RgbWordToYCbCr422Loop rgbWordToYCbCr422Loop() {
    return nullptr;
}

#endif

} // namespace omf::media
