// The IDs codecs are registered under: the toolkit's own, which omfmInit registers, and the
// Avid codecs a client adds with omfmAddCodec (omf/omf_avid_codecs.h). Each codec describes
// itself with its ID from here, and callers that look a codec up or name one in a
// "ID:variety" text use the same names.
#pragma once

extern "C" {

inline constexpr char kOmfCodecAIFC[] = "AIFC";
inline constexpr char kOmfCodecWAVE[] = "WAVE";
inline constexpr char kOmfCodecTIFF[] = "TIFF";
inline constexpr char kOmfCodecRGBA[] = "RGBA";
inline constexpr char kOmfCodecCDCI[] = "CDCI";
inline constexpr char kOmfCodecJPEG[] = "JPEG";
// Avid's resolutions (AVR and JFIF varieties), written through the codec a resolution names.
inline constexpr char kOmfCodecAVR[] = "AJPG";
inline constexpr char kOmfCodecAvidJPEG[] = "MSM JPEG Codec";
inline constexpr char kOmfCodecAvidJFIF[] = "CODEC_AVID_JFIF_VIDEO";
// Avid DV; its media play only through the movie server's DV decoder.
inline constexpr char kOmfCodecTDVC[] = "MSM TARGA DVC Codec";

} // extern "C"
