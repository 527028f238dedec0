// The AVX2 loops: the same bodies on 256-bit vectors, sixteen pixels at a
// time. This file is compiled for AVX2 whatever the build's target; its
// loops run only where the processor reports AVX2.
#if defined(__SSE2__)

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include <immintrin.h>

#include "translate/vector_kernels.h"

namespace omf::media {

namespace {

struct Avx2Ops {
    using V = __m256i;
    static constexpr size_t kWords = 16;

    static V load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
    static void store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
    // The packing steps leave pixel words in the 64-bit order 0, 2, 1, 3.
    static void storeWords(uint8_t* p, V words) {
        store(p, _mm256_permute4x64_epi64(words, _MM_SHUFFLE(3, 1, 2, 0)));
    }
    // Joining halves within 128-bit lanes gives pixels 0-3 | 8-11 and
    // 4-7 | 12-15; the lanes are put back in order.
    static void storeHalves(uint8_t* p, V low, V high) {
        const V first = _mm256_unpacklo_epi16(low, high);
        const V second = _mm256_unpackhi_epi16(low, high);
        store(p, _mm256_permute2x128_si256(first, second, 0x20));
        store(p + 32, _mm256_permute2x128_si256(first, second, 0x31));
    }

    static V set16(short v) { return _mm256_set1_epi16(v); }
    static V set32(int v) { return _mm256_set1_epi32(v); }
    static V pairs16(short even, short odd) { return quads16(even, odd, even, odd); }
    static V quads16(short a, short b, short c, short d) {
        return _mm256_set_epi16(d, c, b, a, d, c, b, a, d, c, b, a, d, c, b, a);
    }

    static V and_(V a, V b) { return _mm256_and_si256(a, b); }
    static V or_(V a, V b) { return _mm256_or_si256(a, b); }
    static V add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
    static V add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static V min16(V a, V b) { return _mm256_min_epi16(a, b); }
    static V max16(V a, V b) { return _mm256_max_epi16(a, b); }
    static V mullo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V mulhi16(V a, V b) { return _mm256_mulhi_epi16(a, b); }
    static V mulhiu16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
    static V madd16(V a, V b) { return _mm256_madd_epi16(a, b); }
    static V packs32(V a, V b) { return _mm256_packs_epi32(a, b); }
    static V unpacklo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
    static V unpackhi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
    template <int N> static V slli16(V a) { return _mm256_slli_epi16(a, N); }
    template <int N> static V srli16(V a) { return _mm256_srli_epi16(a, N); }
    template <int N> static V srai32(V a) { return _mm256_srai_epi32(a, N); }
    static V srl32(V a, int bits) { return _mm256_srl_epi32(a, _mm_cvtsi32_si128(bits)); }
    template <int D, int C, int B, int A> static V shuffle16(V a) {
        return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, _MM_SHUFFLE(D, C, B, A)),
                                      _MM_SHUFFLE(D, C, B, A));
    }
};

} // namespace

size_t ycbcr422ToRgbWordAvx2(const uint8_t* in, uint8_t* out, size_t pixels,
                             const ComponentPlacement& placement) {
    return ycbcr422ToRgbWordKernel<Avx2Ops>(in, out, pixels, placement);
}

size_t rgbWordToYCbCr422Avx2(const uint8_t* in, uint8_t* out, size_t pixels,
                             const std::array<int, 3>& byteShifts) {
    return rgbWordToYCbCr422Kernel<Avx2Ops>(in, out, pixels, byteShifts);
}

} // namespace omf::media

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif

#endif
