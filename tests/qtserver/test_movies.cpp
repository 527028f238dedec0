// Movies and reference frames made by ffmpeg.
#include "test_movies.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/stat.h>

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// Packet sizes of the first video track, from ffprobe.
std::vector<size_t> PacketSizes(const std::string& path) {
    std::vector<size_t> sizes;
    const std::string command = "ffprobe -v error -select_streams v:0 -show_entries packet=size "
                                "-of csv=p=0 '" +
                                path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return sizes;
    char line[64];
    while (std::fgets(line, sizeof line, pipe))
        sizes.push_back(static_cast<size_t>(std::strtoull(line, nullptr, 10)));
    pclose(pipe);
    return sizes;
}

} // namespace

bool HaveFFmpeg() {
    return Run("ffmpeg -version >/dev/null 2>&1") && Run("ffprobe -version >/dev/null 2>&1");
}

bool WriteMovie(const std::string& path, const std::string& arguments) {
    struct stat info {};
    return Run("ffmpeg -nostdin -y -hide_banner -loglevel error " + arguments + " '" + path +
               "'") &&
           stat(path.c_str(), &info) == 0;
}

std::vector<std::vector<uint8_t>> DecodedFrames(const std::string& path,
                                                const std::string& pixelFormat, size_t frameBytes) {
    const std::string raw = path + "." + pixelFormat + ".raw";
    std::vector<std::vector<uint8_t>> frames;
    if (frameBytes == 0 ||
        !Run("ffmpeg -nostdin -y -hide_banner -loglevel error -i '" + path +
             "' -map 0:v:0 -f rawvideo -pix_fmt " + pixelFormat + " '" + raw + "'"))
        return frames;
    const std::vector<uint8_t> bytes = ReadFile(raw);
    for (size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes)
        frames.emplace_back(bytes.begin() + static_cast<ptrdiff_t>(at),
                            bytes.begin() + static_cast<ptrdiff_t>(at + frameBytes));
    std::remove(raw.c_str());
    return frames;
}

std::vector<std::vector<uint8_t>> StoredSamples(const std::string& path) {
    const std::string raw = path + ".stored";
    std::vector<std::vector<uint8_t>> samples;
    if (!Run("ffmpeg -nostdin -y -hide_banner -loglevel error -i '" + path +
             "' -map 0:v:0 -c copy -f data '" + raw + "'"))
        return samples;
    const std::vector<uint8_t> bytes = ReadFile(raw);
    size_t at = 0;
    for (size_t size : PacketSizes(path)) {
        if (at + size > bytes.size()) break;
        samples.emplace_back(bytes.begin() + static_cast<ptrdiff_t>(at),
                             bytes.begin() + static_cast<ptrdiff_t>(at + size));
        at += size;
    }
    std::remove(raw.c_str());
    return samples;
}
