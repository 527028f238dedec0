// The writing routines behind selectors 0x200..0x2FF, and their dispatcher.
#pragma once

#include "movie/movie_writing.h"

namespace movie {

// Runs writing routine `selector`; kUnimplemented for an unknown one.
int32_t DispatchWriting(uint32_t selector, void* arguments);

int32_t CreateMovieFile(CreateMovieFileArgs* args);
int32_t AddVideoTrack(AddVideoTrackArgs* args);
int32_t AddSoundTrack(AddSoundTrackArgs* args);
int32_t AddTimecodeTrack(AddTimecodeTrackArgs* args);
int32_t CreateCompressionSession(CreateCompressionSessionArgs* args);
int32_t EncodeFrame(EncodeFrameArgs* args);
int32_t AddRawVideoSample(AddRawVideoSampleArgs* args);
int32_t SetVideoColour(SetVideoColourArgs* args);
int32_t AddSoundSamples(AddSoundSamplesArgs* args);
int32_t AddTimecodeSample(AddTimecodeSampleArgs* args);
int32_t CloseMovieFile(CloseMovieFileArgs* args);
int32_t GetCodecNameList(GetCodecNameListArgs* args);
int32_t DisposeCodecNameList(DisposeCodecNameListArgs* args);
int32_t GetCodecInfo(GetCodecInfoArgs* args);
int32_t CodecSettingsDialog(CodecSettingsDialogArgs* args);
int32_t GetDefaultCodecSettings(CodecSettingsArgs* args);
int32_t DisposeCodecSettings(CodecSettingsArgs* args);
int32_t PreviewFrame(PreviewFrameArgs* args);
int32_t DecodeDVFrame(DecodeDVFrameArgs* args);
int32_t EncodeDVFrame(EncodeDVFrameArgs* args);
int32_t MaxDVFrameSize(MaxDVFrameSizeArgs* args);

} // namespace movie
