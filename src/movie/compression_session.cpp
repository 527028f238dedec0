// Compression sessions: frames in the client's pixel format are converted
// to the encoder's, encoded, and their packets added to the video track.
#include "compression_session.h"

#include "codec_catalogue.h"
#include "encoder_setup.h"
#include "movie_writer.h"
#include "pixel_layouts.h"
#include "writing_routines.h"

#include <memory>

extern "C" {
#include <libavutil/bswap.h>
}

namespace movie {

struct CompressionSession {
    MovieWriter* writer = nullptr;
    AVCodecContext* encoder = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    PixelImporter importer;
    uint32_t bufferFormat = 0;
    int32_t rowBytes = 0;

    ~CompressionSession() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&encoder);
    }
};

namespace {

bool HasAlpha(uint32_t pixelFormat) {
    return pixelFormat == kPixel32ARGB || pixelFormat == kPixelB64a;
}

// Moves every packet the encoder has ready to the video track.
int32_t DrainPackets(CompressionSession& session) {
    MovieWriter& writer = *session.writer;
    for (;;) {
        const int received = avcodec_receive_packet(session.encoder, session.packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return kNoError;
        if (received < 0) return kCodecError;
        if (session.packet->duration <= 0) session.packet->duration = writer.videoFrameDuration;
        const int32_t status = writer.WritePacket(writer.video, session.packet);
        av_packet_unref(session.packet);
        if (status != kNoError) return status;
    }
}

} // namespace

int32_t CreateCompressionSession(CreateCompressionSessionArgs* args) {
    if (!args || !args->writer || !args->session || !args->bufferPixelFormat ||
        !args->bufferRowBytes)
        return kParameterError;
    MovieWriter& writer = *args->writer;
    if (!writer.video || writer.videoCodecSet || writer.headerWritten) return kParameterError;
    const CatalogueEntry* entry = FindCatalogueEntry(args->codecType);
    if (!entry) return kNoCodec;
    const uint32_t pixelFormat = args->pixelFormat ? args->pixelFormat : entry->pixelFormats[0];
    const int32_t width = writer.video->codecpar->width;
    const int32_t height = writer.video->codecpar->height;
    const int32_t rowBytes = AlignedRowBytes(pixelFormat, width);
    if (!rowBytes) return kPixelFormatNotAccepted;

    auto session = std::make_unique<CompressionSession>();
    session->writer = &writer;
    session->bufferFormat = pixelFormat;
    session->rowBytes = rowBytes;
    EncoderRequest request{};
    request.entry = entry;
    request.width = width;
    request.height = height;
    request.sourceFormat = pixelFormat;
    request.keepAlpha = HasAlpha(pixelFormat);
    request.quality = args->quality;
    request.keyFrameInterval = args->keyFrameInterval;
    request.averageDataRate = args->averageDataRate;
    request.allowReordering = args->allowReordering != 0;
    request.timeScale = writer.videoBase.den;
    request.frameDuration = writer.videoFrameDuration;
    request.settings = args->settings;
    request.settingsSize = args->settingsSize;
    request.globalHeader = (writer.format->oformat->flags & AVFMT_GLOBALHEADER) != 0;
    const int32_t opened = OpenEncoder(request, &session->encoder);
    if (opened != kNoError) return opened;

    session->frame = av_frame_alloc();
    session->packet = av_packet_alloc();
    if (!session->frame || !session->packet) return kCodecError;
    session->frame->format = session->encoder->pix_fmt;
    session->frame->width = width;
    session->frame->height = height;
    session->frame->color_range = session->encoder->color_range;
    if (av_frame_get_buffer(session->frame, 0) < 0) return kCodecError;

    AVCodecParameters* parameters = writer.video->codecpar;
    if (avcodec_parameters_from_context(parameters, session->encoder) < 0) return kCodecError;
    // The file names the codec by its type; for DV, raw layouts and H.264
    // the muxer picks the type itself from the frame size and layout.
    parameters->codec_tag = av_bswap32(entry->codecType);
    writer.videoCodecSet = true;

    *args->bufferPixelFormat = pixelFormat;
    *args->bufferRowBytes = rowBytes;
    *args->session = session.release();
    return kNoError;
}

int32_t EncodeFrame(EncodeFrameArgs* args) {
    if (!args || !args->session || !args->pixels || args->duration <= 0) return kParameterError;
    CompressionSession& session = *args->session;
    const AVFrame* frame = session.frame;
    if (args->size < static_cast<size_t>(session.rowBytes) * frame->height) return kParameterError;
    const PackedImage image{session.bufferFormat, frame->width, frame->height,
                            static_cast<const uint8_t*>(args->pixels),
                            static_cast<size_t>(session.rowBytes)};
    const int32_t imported = session.importer.Import(image, session.frame);
    if (imported != kNoError) return imported;
    session.frame->pts = args->displayTime;
    // Quantiser-driven encoders take each frame's quality.
    session.frame->quality = session.encoder->global_quality;
    session.frame->pkt_duration = args->duration;
    if (avcodec_send_frame(session.encoder, session.frame) < 0) return kCodecError;
    return DrainPackets(session);
}

int32_t FinishCompressionSession(CompressionSession* session) {
    if (!session) return kParameterError;
    if (avcodec_send_frame(session->encoder, nullptr) < 0) return kCodecError;
    return DrainPackets(*session);
}

void FreeCompressionSession(CompressionSession* session) {
    delete session;
}

} // namespace movie
