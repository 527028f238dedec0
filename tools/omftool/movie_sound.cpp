#include "movie_sound.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace omftool {

bool movieHasSound(const std::string& path) {
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return false;
    bool sound = false;
    for (unsigned i = 0; i < context->nb_streams; ++i)
        sound = sound || context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    avformat_close_input(&context);
    return sound;
}

} // namespace omftool
