// Movie files written by the ffmpeg program, an independent writer, and the
// frames ffmpeg decodes from them, for the reading tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// True when the ffmpeg and ffprobe programs can be run.
bool HaveFFmpeg();

// Runs ffmpeg with `arguments` (quiet, overwriting) writing `path`. Answers
// whether it succeeded and the file exists.
bool WriteMovie(const std::string& path, const std::string& arguments);

// The frames of `path`'s first video track as ffmpeg decodes them, in
// `pixelFormat` (an ffmpeg pixel format name), each `frameBytes` long.
std::vector<std::vector<uint8_t>> DecodedFrames(const std::string& path,
                                                const std::string& pixelFormat, size_t frameBytes);
// The stored samples of `path`'s first video track, copied as they are.
std::vector<std::vector<uint8_t>> StoredSamples(const std::string& path);
