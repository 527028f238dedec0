// The bodies of the vector loops, written once over a set of vector
// operations (`Ops`: 128-bit SSE2 or 256-bit AVX2). Every operation stays
// within 128-bit lanes except the final reordering, which `Ops` supplies.
// Included only by the files that instantiate the loops for one instruction
// set; everything here has internal linkage.
#pragma once

#include "translate/vector_loops.h"

namespace omf::media {
namespace {

// ---- Y'CbCr 4:2:2 -> RGB ----------------------------------------------------
//   R = Y + ((45941 c + 32768) >> 16), c = 2 Cr - 255
//   G = Y + ((-23401 c - 11277 d + 32768) >> 16), d = 2 Cb - 255
//   B = Y + ((58065 d + 32768) >> 16)
// each expanded from studio range by floor((255 v - 4080) / 219 + 0.5)
// after clamping v to 16..235.

// Red and blue factors exceed 16 bits: a product with k is the product with
// (k - 65536) plus the value in the high half, and (k v + 32768) >> 16 is
// that high half plus v plus the carry of 32768 into the low half.
constexpr int kRedFactor = 45941, kBlueFactor = 58065;

constexpr int termFromHalves(int v, int k) {
    const int product = v * (k - 65536);
    return (product >> 16) + v + ((product & 0xFFFF) >> 15);
}

constexpr bool chromaTermsExact() {
    for (int v = -255; v <= 255; v += 2) {
        if (termFromHalves(v, kRedFactor) != (kRedFactor * v + 32768) >> 16) return false;
        if (termFromHalves(v, kBlueFactor) != (kBlueFactor * v + 32768) >> 16) return false;
    }
    return true;
}
static_assert(chromaTermsExact());

// Expansion of a clamped level by one unsigned high multiply:
// floor(((v << 8) - kExpansionOffset) x 38155 / 2^23) for v in 16..235.
constexpr int kExpansionOffset = (16 << 8) - 110;
constexpr int kExpansionFactor = 38155;

constexpr bool expansionExact() {
    for (int v = 16; v <= 235; ++v) {
        const long long scaled = (v << 8) - kExpansionOffset;
        if (scaled < 0 || scaled > 0xFFFF) return false;
        if ((scaled * kExpansionFactor) >> 23 != (510LL * v - 8160 + 219) / 438) return false;
    }
    return true;
}
static_assert(expansionExact());

template <class Ops> typename Ops::V expandLevels(typename Ops::V level) {
    const auto clamped = Ops::min16(Ops::max16(level, Ops::set16(16)), Ops::set16(235));
    const auto scaled = Ops::sub16(Ops::template slli16<8>(clamped), Ops::set16(kExpansionOffset));
    return Ops::template srli16<7>(Ops::mulhiu16(scaled, Ops::set16(short(kExpansionFactor))));
}

template <class Ops>
size_t ycbcr422ToRgbWordKernel(const uint8_t* in, uint8_t* out, size_t pixels,
                               const ComponentPlacement& placement) {
    using V = typename Ops::V;
    constexpr size_t step = Ops::kWords; // pixels per vector of 16-bit words
    const V lowByte = Ops::set16(0x00FF);
    const V offset255 = Ops::set16(255);
    // Even words hold d (blue factor), odd words c (red factor).
    const V chromaFactors = Ops::pairs16(short(kBlueFactor - 65536), short(kRedFactor - 65536));
    const V greenFactors = Ops::pairs16(-11277, -23401);
    const V rounding = Ops::set32(32768);
    V place[6];
    for (size_t i = 0; i < 6; ++i)
        place[i] = Ops::set16(short(placement[i]));

    const size_t vectorPixels = pixels / step * step;
    for (size_t done = 0; done < vectorPixels; done += step, in += 2 * step, out += 4 * step) {
        const V source = Ops::load(in);
        const V luma = Ops::template srli16<8>(source);
        const V chroma = Ops::and_(source, lowByte);
        const V centred = Ops::sub16(Ops::add16(chroma, chroma), offset255);

        // Blue terms in the even words, red terms in the odd ones.
        const V carry = Ops::template srli16<15>(Ops::mullo16(centred, chromaFactors));
        const V blueRed =
            Ops::add16(Ops::add16(Ops::mulhi16(centred, chromaFactors), centred), carry);
        // Green terms: one 32-bit sum per pair.
        const V greenSums =
            Ops::template srai32<16>(Ops::add32(Ops::madd16(centred, greenFactors), rounding));
        const V greenPacked = Ops::packs32(greenSums, greenSums);

        // Each pair's terms for both of its pixels.
        const V redTerms = Ops::template shuffle16<3, 3, 1, 1>(blueRed);
        const V blueTerms = Ops::template shuffle16<2, 2, 0, 0>(blueRed);
        const V greenTerms = Ops::unpacklo16(greenPacked, greenPacked);

        const V red = expandLevels<Ops>(Ops::add16(luma, redTerms));
        const V green = expandLevels<Ops>(Ops::add16(luma, greenTerms));
        const V blue = expandLevels<Ops>(Ops::add16(luma, blueTerms));

        const V low =
            Ops::add16(Ops::add16(Ops::mullo16(red, place[0]), Ops::mullo16(green, place[1])),
                       Ops::mullo16(blue, place[2]));
        const V high =
            Ops::add16(Ops::add16(Ops::mullo16(red, place[3]), Ops::mullo16(green, place[4])),
                       Ops::mullo16(blue, place[5]));
        Ops::storeHalves(out, low, high);
    }
    return vectorPixels;
}

// ---- RGB -> Y'CbCr 4:2:2 ----------------------------------------------------
// Each component v first becomes floor(v x 219 / 255 + 16.5), then
//   Y  = (19595 R + 38470 G + 7471 B + 32768) >> 16
//   Cb = (-11059 R - 21709 G + 32768 B + (128 << 16)) >> 16   (first pixel of a pair)
//   Cr = (32768 R - 27439 G - 5329 B + (128 << 16)) >> 16     (second pixel)
// The sums come from 16-bit multiply-adds over the component pairs (R, G),
// (B, R) and (G, B); factors beyond 16 bits are split in halves over two
// pairs.

// Studio range by one unsigned high multiply:
// floor(((v << 8) + 149) x 56283 / 2^24) + 16 for v in 0..255.
constexpr int kCompressBias = 149;
constexpr int kCompressFactor = 56283;

constexpr bool compressionExact() {
    for (int v = 0; v < 256; ++v) {
        const long long scaled = (v << 8) + kCompressBias;
        if (scaled > 0xFFFF) return false;
        if (((scaled * kCompressFactor) >> 24) + 16 != (438 * v + 8415) / 510) return false;
    }
    return true;
}
static_assert(compressionExact());
static_assert(19235 + 19235 == 38470 && 16384 + 16384 == 32768);

// The component `shift` bits up in each 32-bit pixel of two vectors, as one
// vector of 16-bit studio levels.
template <class Ops>
typename Ops::V studioComponent(typename Ops::V first, typename Ops::V second, int shift) {
    const auto lowByte = Ops::set32(0xFF);
    const auto values = Ops::packs32(Ops::and_(Ops::srl32(first, shift), lowByte),
                                     Ops::and_(Ops::srl32(second, shift), lowByte));
    const auto scaled = Ops::add16(Ops::template slli16<8>(values), Ops::set16(kCompressBias));
    const auto compressed =
        Ops::template srli16<8>(Ops::mulhiu16(scaled, Ops::set16(short(kCompressFactor))));
    return Ops::add16(compressed, Ops::set16(16));
}

template <class Ops>
size_t rgbWordToYCbCr422Kernel(const uint8_t* in, uint8_t* out, size_t pixels,
                               const std::array<int, 3>& byteShifts) {
    using V = typename Ops::V;
    constexpr size_t step = Ops::kWords;
    // Factors per pair of 16-bit components: even pixel, then odd pixel.
    const V lumaRedGreen = Ops::quads16(19595, 19235, 19595, 19235);
    const V lumaGreenBlue = Ops::quads16(19235, 7471, 19235, 7471);
    const V chromaRedGreen = Ops::quads16(-11059, -21709, 16384, -27439); // Cb even, Cr odd
    const V chromaBlueRed = Ops::quads16(16384, 0, -5329, 16384);
    const V chromaGreenBlue = Ops::quads16(0, 16384, 0, 0);
    const V lumaRounding = Ops::set32(32768);
    const V chromaOffset = Ops::set32(128 << 16);

    const size_t vectorPixels = pixels / step * step;
    for (size_t done = 0; done < vectorPixels; done += step, in += 4 * step, out += 2 * step) {
        const V first = Ops::load(in);
        const V second = Ops::load(in + 2 * step);
        const V red = studioComponent<Ops>(first, second, byteShifts[0]);
        const V green = studioComponent<Ops>(first, second, byteShifts[1]);
        const V blue = studioComponent<Ops>(first, second, byteShifts[2]);

        V luma[2], chroma[2];
        const V redGreen[2] = {Ops::unpacklo16(red, green), Ops::unpackhi16(red, green)};
        const V blueRed[2] = {Ops::unpacklo16(blue, red), Ops::unpackhi16(blue, red)};
        const V greenBlue[2] = {Ops::unpacklo16(green, blue), Ops::unpackhi16(green, blue)};
        for (int half = 0; half < 2; ++half) {
            luma[half] = Ops::template srai32<16>(
                Ops::add32(Ops::add32(Ops::madd16(redGreen[half], lumaRedGreen),
                                      Ops::madd16(greenBlue[half], lumaGreenBlue)),
                           lumaRounding));
            chroma[half] = Ops::template srai32<16>(Ops::add32(
                Ops::add32(Ops::madd16(redGreen[half], chromaRedGreen),
                           Ops::madd16(blueRed[half], chromaBlueRed)),
                Ops::add32(Ops::madd16(greenBlue[half], chromaGreenBlue), chromaOffset)));
        }
        // Each pixel gives its chroma value, then its luma: Cb Y0 Cr Y1.
        const V words = Ops::or_(Ops::packs32(chroma[0], chroma[1]),
                                 Ops::template slli16<8>(Ops::packs32(luma[0], luma[1])));
        Ops::storeWords(out, words);
    }
    return vectorPixels;
}

} // namespace
} // namespace omf::media
