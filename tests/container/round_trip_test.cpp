// Randomised object/property/type/value graphs written and read back in both
// TOC formats and both handler modes.
#include "container_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <map>
#include <random>
#include <tuple>

using namespace container_test;

namespace {

using ValueKey = std::tuple<size_t, size_t, size_t>; // object, property, type indexes
using Model = std::map<ValueKey, std::vector<unsigned char>>;

struct Mode {
    CMContainerFlags flags;
    bool swapped;
    std::string name() const {
        return std::string(flags & kCMVersion1TOC ? "version1" : "codebyte") +
               (swapped ? "-swapped" : "-native");
    }
};

class RoundTrip : public ContainerTest, public ::testing::WithParamInterface<Mode> {
  protected:
    // Writes a random graph; values grow in interleaved chunks so that many
    // have several segments, and some are overwritten or trimmed.
    Model writeGraph(const std::string& file, uint32_t seed, Mode mode) {
        std::mt19937 random(seed);
        auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
        CMContainer container = create(file, mode.flags, mode.swapped);
        EXPECT_NE(container, nullptr) << errorNumbers();
        std::vector<CMProperty> properties;
        std::vector<CMType> types;
        for (int i = 0; i < 6; ++i) {
            properties.push_back(CMRegisterProperty(container, ("Test:P" + std::to_string(i)).c_str()));
            types.push_back(CMRegisterType(container, ("Test:T" + std::to_string(i)).c_str()));
        }
        std::vector<CMObject> objects;
        for (int i = 0; i < 40; ++i) objects.push_back(CMNewObject(container));
        Model model;
        std::map<ValueKey, CMValue> values;
        for (int step = 0; step < 600; ++step) {
            ValueKey key{pick(objects.size()), pick(properties.size()), pick(types.size())};
            auto [object, property, type] = key;
            CMValue& value = values[key];
            if (value == nullptr) {
                value = CMNewValue(objects[object], properties[property], types[type]);
                model[key];
            }
            std::vector<unsigned char>& expected = model[key];
            size_t choice = pick(10);
            size_t length = pick(2) ? pick(5) : pick(3000);
            std::vector<unsigned char> chunk(length);
            for (unsigned char& byte : chunk) byte = static_cast<unsigned char>(random());
            if (choice < 7 || expected.empty()) {
                EXPECT_EQ(CMWriteValueData(value, chunk.data(), expected.size(), length), length);
                expected.insert(expected.end(), chunk.begin(), chunk.end());
            } else if (choice < 9) {
                size_t offset = pick(expected.size());
                EXPECT_EQ(CMWriteValueData(value, chunk.data(), offset, length), length);
                if (offset + length > expected.size()) expected.resize(offset + length);
                std::copy(chunk.begin(), chunk.end(), expected.begin() + offset);
            } else {
                size_t offset = pick(expected.size());
                CMDeleteValueData(value, offset, length);
                expected.erase(expected.begin() + offset,
                               expected.begin() + std::min(expected.size(), offset + length));
            }
        }
        CMCloseContainer(container);
        return model;
    }

    void expectGraph(const std::string& file, const Model& model) {
        CMContainer container = open(file);
        ASSERT_NE(container, nullptr) << errorNumbers();
        std::vector<CMProperty> properties;
        std::vector<CMType> types;
        for (int i = 0; i < 6; ++i) {
            properties.push_back(CMGetGlobalNameObject(container, ("Test:P" + std::to_string(i)).c_str()));
            types.push_back(CMGetGlobalNameObject(container, ("Test:T" + std::to_string(i)).c_str()));
        }
        std::vector<CMObject> objects;
        for (CMObject object = CMGetNextObject(container, nullptr); object != nullptr;
             object = CMGetNextObject(container, object)) {
            objects.push_back(object);
        }
        size_t found = 0;
        for (size_t o = 0; o < objects.size(); ++o) {
            for (size_t p = 0; p < properties.size(); ++p) {
                for (size_t t = 0; t < types.size(); ++t) {
                    CMValue value = CMUseValue(objects[o], properties[p], types[t]);
                    auto expected = model.find({o, p, t});
                    if (expected == model.end()) {
                        EXPECT_EQ(value, nullptr);
                        continue;
                    }
                    ASSERT_NE(value, nullptr);
                    ++found;
                    EXPECT_EQ(readValue(value), expected->second) << o << "/" << p << "/" << t;
                }
            }
        }
        EXPECT_EQ(found, model.size());
        CMCloseContainer(container);
    }
};

TEST_P(RoundTrip, RandomGraphsReadBackValueForValue) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        const std::string file = path(GetParam().name() + std::to_string(seed) + ".bento");
        Model model = writeGraph(file, seed, GetParam());
        expectGraph(file, model);
    }
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

TEST_P(RoundTrip, TheWriterIsDeterministic) {
    writeGraph(path("a.bento"), 9, GetParam());
    writeGraph(path("b.bento"), 9, GetParam());
    EXPECT_EQ(readFile(path("a.bento")), readFile(path("b.bento")));
}

TEST_P(RoundTrip, CopyingAContainerKeepsEveryByteOfEveryValue) {
    Model model = writeGraph(path("source.bento"), 5, GetParam());
    CMContainer source = open(path("source.bento"));
    CMContainer copy = create(path("copy.bento"), GetParam().flags, GetParam().swapped);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(copy, nullptr);
    for (int i = 0; i < 6; ++i) {
        CMRegisterProperty(copy, ("Test:P" + std::to_string(i)).c_str());
        CMRegisterType(copy, ("Test:T" + std::to_string(i)).c_str());
    }
    for (CMObject object = CMGetNextObject(source, nullptr); object != nullptr;
         object = CMGetNextObject(source, object)) {
        CMObject target = CMNewObject(copy);
        for (CMProperty property = CMGetNextObjectProperty(object, nullptr); property != nullptr;
             property = CMGetNextObjectProperty(object, property)) {
            CMProperty targetProperty = CMGetGlobalNameObject(copy, CMGetGlobalName(property));
            for (CMValue value = CMGetNextValue(object, property, nullptr); value != nullptr;
                 value = CMGetNextValue(object, property, value)) {
                CMType type = nullptr;
                CMGetValueInfo(value, nullptr, nullptr, nullptr, &type, nullptr);
                CMValue targetValue = CMNewValue(
                    target, targetProperty, CMGetGlobalNameObject(copy, CMGetGlobalName(type)));
                std::vector<unsigned char> bytes = readValue(value);
                CMWriteValueData(targetValue, bytes.data(), 0, bytes.size());
            }
        }
    }
    CMCloseContainer(source);
    CMCloseContainer(copy);
    expectGraph(path("copy.bento"), model);
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
                         ::testing::Values(Mode{0, false}, Mode{0, true},
                                           Mode{kCMVersion1TOC, false},
                                           Mode{kCMVersion1TOC, true}),
                         [](const auto& info) {
                             std::string name = info.param.name();
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

// Values past 4 GiB need 64-bit TOC entries and, with the TOC there too, the
// extended label. A sparse file keeps this cheap.
TEST_F(ContainerTest, ValuesAndTocBeyondFourGigabytesRoundTrip) {
    const std::string file = path("large.bento");
    const off_t start = (off_t(1) << 32) + 4096;
    int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    if (ftruncate(fd, start) != 0) {
        ::close(fd);
        GTEST_SKIP() << "no large sparse files here";
    }
    ::close(fd);
    CMContainer container = create(file, 0, false, kCMReuseFlag);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "P"),
                               CMRegisterType(container, "T"));
    std::vector<unsigned char> bytes(10000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 31);
    ASSERT_EQ(CMWriteValueData(value, bytes.data(), 0, bytes.size()), bytes.size());
    CMValueSegmentInfo info{};
    ASSERT_TRUE(CMGetValueSegment(value, 0, &info));
    EXPECT_EQ(info.offset, CMSize(start));
    CMCloseContainer(container);
    ASSERT_TRUE(errorLog().empty()) << errorNumbers();

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMContainerLabelInfo label{};
    CMGetContainerLabelInfo(container, &label);
    EXPECT_EQ(label.majorVersion, 2);
    EXPECT_EQ(label.minorVersion, 1);
    EXPECT_GT(label.tocOffset, CMSize(start));
    value = CMUseValue(CMGetNextObject(container, nullptr), CMGetGlobalNameObject(container, "P"),
                       CMGetGlobalNameObject(container, "T"));
    EXPECT_EQ(readValue(value), bytes);
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
    std::filesystem::remove(file);
}

} // namespace
