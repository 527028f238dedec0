// Message codes of the movie port: four ASCII letters stored lowest byte
// first, so that the text reads in memory order.
#pragma once

#include <cstdint>

constexpr uint32_t MessageCode(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[3])) << 24;
}

inline constexpr uint32_t kCodeInitialise = MessageCode("QTIN");    // the movie thread's handshake
inline constexpr uint32_t kCodeQuit = MessageCode("Quit");          // ends the movie thread
inline constexpr uint32_t kCodeTestFormat = MessageCode("QTIT");    // open, header only
inline constexpr uint32_t kCodeLoadHeader = MessageCode("QTLH");    // open and read the header
inline constexpr uint32_t kCodeLoadFrame = MessageCode("QTLF");     // load one frame
inline constexpr uint32_t kCodeDispose = MessageCode("QTDS");       // dispose the state's movie
inline constexpr uint32_t kCodeReleaseMap = MessageCode("QTRM");    // release the frame section
inline constexpr uint32_t kCodeSaveHeader = MessageCode("QTSH");    // create a movie file
inline constexpr uint32_t kCodeSaveFrame = MessageCode("QTSF");     // add one frame
inline constexpr uint32_t kCodeSaveAudio = MessageCode("QTSA");     // add audio samples
inline constexpr uint32_t kCodeListCodecs = MessageCode("QTGC");    // the codec list
inline constexpr uint32_t kCodeDisposeCodecs = MessageCode("QTDC"); // free the codec list
inline constexpr uint32_t kCodeCodecInfo = MessageCode("QTCI");     // one codec's information
inline constexpr uint32_t kCodeCodecSettings = MessageCode("QTCS"); // the settings dialog
inline constexpr uint32_t kCodePrefsPreview = MessageCode("QTPP");  // preferences preview
inline constexpr uint32_t kCodeDVCompress = MessageCode("QTAC");    // DV compress
inline constexpr uint32_t kCodeDVDecompress = MessageCode("QTAD");  // DV decompress
