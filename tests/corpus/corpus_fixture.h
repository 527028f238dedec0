// The corpus of each revision and byte order, written once per test program into a folder
// of its own, and what the tests need to compare pictures.
#pragma once

#include "corpus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

namespace corpus_test {

struct Combination {
    corpus::Revision revision;
    corpus::ByteOrder order;
    const char* label;
};

inline const Combination kCombinations[] = {
    {corpus::Revision::OneX, corpus::ByteOrder::Intel, "OneX_II"},
    {corpus::Revision::OneX, corpus::ByteOrder::Motorola, "OneX_MM"},
    {corpus::Revision::TwoX, corpus::ByteOrder::Motorola, "TwoX_MM"},
};

inline std::string CorpusFolder() {
    return ::testing::TempDir() + "omf_corpus_" + std::to_string(::getpid());
}

// Removes the corpus folder when the program ends, unless OMF_CORPUS_KEEP is set (to look
// at the files).
class CorpusFolderCleanup : public ::testing::Environment {
  public:
    void TearDown() override {
        if (std::getenv("OMF_CORPUS_KEEP") == nullptr) std::filesystem::remove_all(CorpusFolder());
    }
};

// The corpus of `combination`, written on first use; null (with a test failure) if it
// could not be written.
inline const corpus::Corpus* CorpusOf(const Combination& combination) {
    static std::map<std::string, std::unique_ptr<corpus::Corpus>> written;
    auto found = written.find(combination.label);
    if (found != written.end()) return found->second.get();
    const std::string folder = CorpusFolder() + "/" + combination.label;
    std::filesystem::create_directories(folder);
    auto made = std::make_unique<corpus::Corpus>();
    std::string failure;
    if (!corpus::WriteCorpus(folder, combination.revision, combination.order, made.get(),
                             &failure)) {
        ADD_FAILURE() << "corpus " << combination.label << ": " << failure;
        made.reset();
    }
    return (written[combination.label] = std::move(made)).get();
}

class CorpusTest : public ::testing::TestWithParam<Combination> {
  protected:
    void SetUp() override {
        corpus_ = CorpusOf(GetParam());
        ASSERT_NE(corpus_, nullptr);
    }
    const corpus::Corpus* corpus_ = nullptr;
};

inline std::string CombinationName(const ::testing::TestParamInfo<Combination>& info) {
    return info.param.label;
}

// Peak signal-to-noise ratio in dB of `actual` against `expected` (8-bit samples).
inline double Psnr(const corpus::Bytes& expected, const corpus::Bytes& actual) {
    if (expected.size() != actual.size() || expected.empty()) return 0;
    double squares = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        const double difference = double(expected[i]) - double(actual[i]);
        squares += difference * difference;
    }
    if (squares == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 * double(expected.size()) / squares);
}

} // namespace corpus_test
