// The writing routines by selector.
#include "writing_routines.h"

namespace movie {
namespace {

template <typename Args> int32_t Run(int32_t (*routine)(Args*), void* arguments) {
    return routine(static_cast<Args*>(arguments));
}

} // namespace

int32_t DispatchWriting(uint32_t selector, void* arguments) {
    switch (selector) {
    case kCreateMovieFile:
        return Run(&CreateMovieFile, arguments);
    case kAddVideoTrack:
        return Run(&AddVideoTrack, arguments);
    case kAddSoundTrack:
        return Run(&AddSoundTrack, arguments);
    case kAddTimecodeTrack:
        return Run(&AddTimecodeTrack, arguments);
    case kCreateCompressionSession:
        return Run(&CreateCompressionSession, arguments);
    case kEncodeFrame:
        return Run(&EncodeFrame, arguments);
    case kAddRawVideoSample:
        return Run(&AddRawVideoSample, arguments);
    case kSetVideoColour:
        return Run(&SetVideoColour, arguments);
    case kAddSoundSamples:
        return Run(&AddSoundSamples, arguments);
    case kAddTimecodeSample:
        return Run(&AddTimecodeSample, arguments);
    case kCloseMovieFile:
        return Run(&CloseMovieFile, arguments);
    case kGetCodecNameList:
        return Run(&GetCodecNameList, arguments);
    case kDisposeCodecNameList:
        return Run(&DisposeCodecNameList, arguments);
    case kGetCodecInfo:
        return Run(&GetCodecInfo, arguments);
    case kCodecSettingsDialog:
        return Run(&CodecSettingsDialog, arguments);
    case kGetDefaultCodecSettings:
        return Run(&GetDefaultCodecSettings, arguments);
    case kDisposeCodecSettings:
        return Run(&DisposeCodecSettings, arguments);
    case kPreviewFrame:
        return Run(&PreviewFrame, arguments);
    case kDecodeDVFrame:
        return Run(&DecodeDVFrame, arguments);
    case kEncodeDVFrame:
        return Run(&EncodeDVFrame, arguments);
    case kMaxDVFrameSize:
        return Run(&MaxDVFrameSize, arguments);
    default:
        return kUnimplemented;
    }
}

} // namespace movie
