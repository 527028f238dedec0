// The writing tests' server and readers.
#include "movie_writing_fixture.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

ScriptVal Table(std::initializer_list<std::pair<const char*, ScriptVal>> entries) {
    ScriptVal table = ScriptVal::NewTable();
    for (const auto& [key, value] : entries)
        table.Set(key, value);
    return table;
}

void MovieServerTest::SetUp() {
    QTServerProcess::Options options;
    options.registryFile = scratch_.WriteRegistry(TEST_MOVIE_MODULE_DIR);
    server_ = std::make_unique<QTServerProcess>(options);
    app_ = server_->Connect();
    ASSERT_TRUE(app_.IsRemoteObject());
}

ScriptVal MovieServerTest::NewState() {
    ScriptVal state = app_.CallMember("NewState");
    EXPECT_TRUE(state.IsRemoteObject());
    return state;
}

std::vector<uint8_t> ArgbPattern(int width, int height, int seed) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            pixel[0] = 255;
            pixel[1] = static_cast<uint8_t>(x * 255 / std::max(width - 1, 1));
            pixel[2] = static_cast<uint8_t>(y * 255 / std::max(height - 1, 1));
            pixel[3] = static_cast<uint8_t>(128 + 100 * std::sin((x + y + seed * 7) / 23.0));
        }
    return pixels;
}

double ArgbPsnr(const std::vector<uint8_t>& a, const uint8_t* b, size_t size) {
    if (a.size() != size) return 0.0;
    double squares = 0.0;
    size_t samples = 0;
    for (size_t i = 0; i < size; ++i) {
        if (i % 4 == 0) continue; // alpha
        const double difference = static_cast<double>(a[i]) - b[i];
        squares += difference * difference;
        ++samples;
    }
    if (squares == 0.0) return 100.0;
    return 10.0 * std::log10(255.0 * 255.0 * samples / squares);
}

std::vector<uint8_t> BytesOf(const ScriptVal& block) {
    const MemBlock* data = block.GetData();
    if (!data || !data->data) return {};
    const auto* bytes = static_cast<const uint8_t*>(data->data);
    return std::vector<uint8_t>(bytes, bytes + data->size);
}

namespace {

std::string Run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return output;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), got);
    ::pclose(pipe);
    return output;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

bool HaveFfprobe() {
    return std::system("ffprobe -version >/dev/null 2>&1") == 0;
}

std::map<std::string, std::string> ProbeStream(const std::string& path, const char* streamKind,
                                               const char* entries) {
    const std::string output =
        Run(std::string("ffprobe -v error -select_streams ") + streamKind +
            " -show_entries stream=" + entries + " -of default=noprint_wrappers=1 " + Quoted(path));
    std::map<std::string, std::string> values;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::vector<std::string> ProbePacketData(const std::string& path, const char* streamKind) {
    const std::string output = Run(std::string("ffprobe -v error -select_streams ") + streamKind +
                                   " -show_packets -show_data " + Quoted(path));
    std::vector<std::string> packets;
    std::istringstream lines(output);
    std::string line;
    bool inData = false;
    while (std::getline(lines, line)) {
        if (line.rfind("data=", 0) == 0) {
            inData = true;
            packets.emplace_back();
            continue;
        }
        if (line.rfind("[/PACKET]", 0) == 0) inData = false;
        if (!inData || line.size() < 10) continue;
        // "00000000: 0001 5f90                                ....": hex groups only.
        const std::string hex = line.substr(10, 40);
        for (char c : hex)
            if (std::isxdigit(static_cast<unsigned char>(c))) packets.back() += c;
    }
    return packets;
}

std::vector<int64_t> ProbePacketDurations(const std::string& path, const char* streamKind) {
    const std::string output = Run(std::string("ffprobe -v error -select_streams ") + streamKind +
                                   " -show_entries packet=duration -of csv=p=0 " + Quoted(path));
    std::vector<int64_t> durations;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty()) durations.push_back(std::stoll(line));
    return durations;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

uint32_t BigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

uint16_t BigEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

std::vector<std::string> TopLevelAtoms(const std::vector<uint8_t>& file) {
    std::vector<std::string> types;
    size_t offset = 0;
    while (offset + 8 <= file.size()) {
        const uint32_t size = BigEndian32(&file[offset]);
        types.emplace_back(reinterpret_cast<const char*>(&file[offset + 4]), 4);
        if (size < 8) break;
        offset += size;
    }
    return types;
}

std::vector<uint8_t> BytesAfter(const std::vector<uint8_t>& file, const char* type, size_t count) {
    for (size_t offset = 0; offset + 4 + count <= file.size(); ++offset)
        if (std::memcmp(&file[offset], type, 4) == 0)
            return std::vector<uint8_t>(file.begin() + offset + 4,
                                        file.begin() + offset + 4 + count);
    return {};
}
