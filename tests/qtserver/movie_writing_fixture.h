// A real server with the real movie module, for the writing, codec and DV
// tests, and what they read its files back with: ffprobe and a small walk
// over the file's atoms.
#pragma once

#include "server_process.h"

#include "tarsel/script_arguments.h"
#include "tarsel/script_val.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

ScriptVal Table(std::initializer_list<std::pair<const char*, ScriptVal>> entries);

class MovieServerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    // A new state; fails the test when there is none.
    ScriptVal NewState();
    // A path in the test's scratch folder.
    std::string PathFor(const std::string& name) const { return scratch_.path() + "/" + name; }

    ScratchFolder scratch_{"qts-write"};
    std::unique_ptr<QTServerProcess> server_;
    ScriptVal app_;
};

// Width x height A R G B pixels, smooth enough for lossy codecs, different
// on every row and changing with `seed`.
std::vector<uint8_t> ArgbPattern(int width, int height, int seed = 0);
// Peak signal-to-noise ratio of the colour channels of two A R G B images.
double ArgbPsnr(const std::vector<uint8_t>& a, const uint8_t* b, size_t size);
std::vector<uint8_t> BytesOf(const ScriptVal& block);

bool HaveFfprobe();
// "key=value" lines ffprobe prints for `entries` of the selected streams.
std::map<std::string, std::string> ProbeStream(const std::string& path, const char* streamKind,
                                               const char* entries);
// Each packet's data of one stream, as ffprobe dumps it (hex digits only).
std::vector<std::string> ProbePacketData(const std::string& path, const char* streamKind);
// Durations of the stream's packets.
std::vector<int64_t> ProbePacketDurations(const std::string& path, const char* streamKind);

std::vector<uint8_t> ReadFile(const std::string& path);
// The top-level atom types of a movie file in order.
std::vector<std::string> TopLevelAtoms(const std::vector<uint8_t>& file);
// The bytes following the first occurrence of `type` (a four-letter atom
// type) in the file, `count` of them; empty when it is not there.
std::vector<uint8_t> BytesAfter(const std::vector<uint8_t>& file, const char* type, size_t count);
uint32_t BigEndian32(const uint8_t* bytes);
uint16_t BigEndian16(const uint8_t* bytes);
