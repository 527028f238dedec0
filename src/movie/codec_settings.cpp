// Codec settings: parsing, the settings dialog without a display, and the
// settings a codec starts with.
#include "codec_settings.h"

#include "writing_routines.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/opt.h>
}

namespace movie {
namespace {

constexpr char kSettingSeparator[] = "\n";
constexpr char kValueSeparator[] = "=";

bool EncoderHasOption(const AVCodec* encoder, const char* name) {
    const AVClass* generic = avcodec_get_class();
    if (av_opt_find(&generic, name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ)) return true;
    const AVClass* own = encoder->priv_class;
    return own && av_opt_find(&own, name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
}

// A copy of `size` bytes the client frees with kDisposeCodecSettings.
void* CopySettings(const void* settings, size_t size) {
    if (!size) return nullptr;
    void* copy = std::malloc(size);
    if (copy) std::memcpy(copy, settings, size);
    return copy;
}

} // namespace

int32_t ParseCodecSettings(const CatalogueEntry& entry, const void* settings, size_t size,
                           AVDictionary** options) {
    *options = nullptr;
    if (!settings || !size) return kNoError;
    const AVCodec* encoder = EncoderOf(entry);
    if (!encoder) return kNoCodec;
    const std::string text(static_cast<const char*>(settings), size);
    if (text.find('\0') != std::string::npos ||
        av_dict_parse_string(options, text.c_str(), kValueSeparator, kSettingSeparator, 0) < 0) {
        av_dict_free(options);
        return kBadSettings;
    }
    const AVDictionaryEntry* option = nullptr;
    while ((option = av_dict_get(*options, "", option, AV_DICT_IGNORE_SUFFIX))) {
        if (!EncoderHasOption(encoder, option->key)) {
            av_dict_free(options);
            return kBadSettings;
        }
    }
    return kNoError;
}

int32_t CodecSettingsDialog(CodecSettingsDialogArgs* args) {
    if (!args || !args->accepted || !args->acceptedSize) return kParameterError;
    const CatalogueEntry* entry = FindCatalogueEntry(args->codecType, args->component);
    if (!entry) return kNoCodec;
    AVDictionary* options = nullptr;
    const int32_t parsed = ParseCodecSettings(*entry, args->settings, args->settingsSize, &options);
    av_dict_free(&options);
    if (parsed != kNoError) return parsed;
    // Nothing is shown: the settings come back accepted as they were.
    *args->accepted = CopySettings(args->settings, args->settingsSize);
    *args->acceptedSize = *args->accepted ? args->settingsSize : 0;
    return kNoError;
}

int32_t GetDefaultCodecSettings(CodecSettingsArgs* args) {
    if (!args || !args->settings || !args->settingsSize) return kParameterError;
    if (!FindCatalogueEntry(args->codecType, args->component)) return kNoCodec;
    // A codec starts with its encoder's defaults: no settings lines.
    *args->settings = nullptr;
    *args->settingsSize = 0;
    return kNoError;
}

int32_t DisposeCodecSettings(CodecSettingsArgs* args) {
    if (!args || !args->settings) return kParameterError;
    std::free(*args->settings);
    *args->settings = nullptr;
    if (args->settingsSize) *args->settingsSize = 0;
    return kNoError;
}

} // namespace movie
