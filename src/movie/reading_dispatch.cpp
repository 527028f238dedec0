// The reading routines by selector.
#include "frame_decoder.h"
#include "movie_reader.h"
#include "reading_routines.h"
#include "timecode_reading.h"

namespace movie {
namespace {

template <class Arguments> const Arguments* As(void* arguments) {
    return static_cast<const Arguments*>(arguments);
}

int32_t CloseReader(const CloseMovieReaderArgs& arguments) {
    delete arguments.reader;
    return kNoError;
}

int32_t TrackCount(const GetTrackCountArgs& arguments) {
    if (!arguments.reader || !arguments.count) return kParameterError;
    *arguments.count = static_cast<int32_t>(arguments.reader->tracks.size());
    return kNoError;
}

int32_t DisposeDecoder(const DisposeFrameDecoderArgs& arguments) {
    delete arguments.decoder;
    return kNoError;
}

} // namespace

int32_t DispatchReading(uint32_t selector, void* arguments) {
    if (!arguments) return kParameterError;
    switch (selector) {
    case kOpenMovieReader: {
        const auto* open = As<OpenMovieReaderArgs>(arguments);
        return OpenReader(open->path, open->reader);
    }
    case kCloseMovieReader:
        return CloseReader(*As<CloseMovieReaderArgs>(arguments));
    case kGetTrackCount:
        return TrackCount(*As<GetTrackCountArgs>(arguments));
    case kGetTrackInfo:
        return GetTrackInfo(*As<GetTrackInfoArgs>(arguments));
    case kGetSampleTiming:
        return GetSampleTiming(*As<GetSampleTimingArgs>(arguments));
    case kGetSampleDescription:
        return GetSampleDescription(*As<GetSampleDescriptionArgs>(arguments));
    case kReadSample:
        return ReadSample(*As<ReadSampleArgs>(arguments));
    case kFindDecoder:
        return FindDecoder(*As<FindDecoderArgs>(arguments));
    case kCreateFrameDecoder:
        return CreateFrameDecoder(*As<CreateFrameDecoderArgs>(arguments));
    case kDecodeFrame:
        return DecodeFrame(*As<DecodeFrameArgs>(arguments));
    case kDisposeFrameDecoder:
        return DisposeDecoder(*As<DisposeFrameDecoderArgs>(arguments));
    case kReadTimecode:
        return ReadTimecode(*As<ReadTimecodeArgs>(arguments));
    default:
        return kUnimplemented;
    }
}

} // namespace movie
