// QT_Msg.
#include "movie_state.h"

#include "frame_map.h"
#include "message_codes.h"

#include <array>
#include <utility>

QT_Msg::QT_Msg() {
    SetCode(kCodeLoadHeader);
}

QT_Msg::~QT_Msg() {
    DisposeMovieState(*this);
}

void DisposeMovieState(QT_Msg& state) {
    // A movie being written is finished before anything it reads is freed.
    state.writingMovie.reset();
    state.readingMovie.reset();
    state.movieOpen = false;
    ReleaseFrameSection(state);
}

std::string FourCharText(uint32_t code) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i)
        text[i] = static_cast<char>(code >> (24 - 8 * i) & 0xFF);
    return text;
}

std::string CodecIdentifier(std::string_view name, uint32_t codecType) {
    std::string identifier(name);
    identifier += '_';
    identifier += FourCharText(codecType);
    return identifier;
}

uint32_t PixelFormatFromName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, uint32_t>, 7> kNames = {{
        {"bit24", kPixelFormatRGB24},
        {"bit32", kPixelFormatARGB32},
        {"bit48", movie::FourCharCode("b48r")},
        {"bit64", movie::FourCharCode("b64a")},
        {"qt2vuy", movie::FourCharCode("2vuy")},
        {"qtv210", movie::FourCharCode("v210")},
        {"qtv410", movie::FourCharCode("v410")},
    }};
    for (const auto& [text, format] : kNames)
        if (text == name) return format;
    return 0;
}
