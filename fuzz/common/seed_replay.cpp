// Replays a harness's seeds without libFuzzer: every file named on the command line, and every
// file of each folder named (in sorted order), goes once through LLVMFuzzerTestOneInput. The
// suite runs each harness this way over its corpus, in every build, so that an input that once
// crashed a reader keeps being read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

// The seed files an argument names: the file itself, or a folder's regular files.
std::vector<fs::path> seedsOf(const fs::path& argument, std::error_code& error) {
    std::vector<fs::path> seeds;
    if (!fs::is_directory(argument, error)) {
        if (fs::is_regular_file(argument, error)) seeds.push_back(argument);
        return seeds;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(argument, error)) {
        if (entry.is_regular_file(error)) seeds.push_back(entry.path());
    }
    std::sort(seeds.begin(), seeds.end());
    return seeds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED-FILE-OR-FOLDER...\n", argv[0]);
        return 2;
    }
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        const std::vector<fs::path> seeds = seedsOf(argv[i], error);
        if (seeds.empty()) {
            std::fprintf(stderr, "%s: no seeds in %s%s%s\n", argv[0], argv[i], error ? ": " : "",
                         error ? error.message().c_str() : "");
            return 2;
        }
        for (const fs::path& seed : seeds) {
            std::ifstream in(seed, std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            if (!in.eof() && in.fail()) {
                std::fprintf(stderr, "%s: cannot read %s\n", argv[0], seed.c_str());
                return 2;
            }
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu seeds\n", replayed);
    return 0;
}
