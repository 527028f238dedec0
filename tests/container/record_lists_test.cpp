// The lists a container keeps for its records, past the sizes they start
// with: an object's properties, a property's values and a value's segments
// grow, shrink and survive a round trip in order.
#include "container_fixture.h"

#include <algorithm>
#include <string>

using namespace container_test;

namespace {

class RecordLists : public ContainerTest {
  protected:
    static std::vector<CMProperty> propertiesOf(CMObject object) {
        std::vector<CMProperty> properties;
        for (CMProperty property = CMGetNextObjectProperty(object, nullptr); property != nullptr;
             property = CMGetNextObjectProperty(object, property)) {
            properties.push_back(property);
        }
        return properties;
    }

    static std::vector<std::vector<unsigned char>> valuesOf(CMObject object, CMProperty property) {
        std::vector<std::vector<unsigned char>> values;
        for (CMValue value = CMGetNextValue(object, property, nullptr); value != nullptr;
             value = CMGetNextValue(object, property, value)) {
            values.push_back(readValue(value));
        }
        return values;
    }

    static std::vector<unsigned char> text(const std::string& characters) {
        return {characters.begin(), characters.end()};
    }
};

TEST_F(RecordLists, AnObjectWithHundredsOfPropertiesKeepsThemInOrder) {
    constexpr int kProperties = 300;
    const std::string file = path("properties.bento");
    CMContainer container = create(file);
    CMType type = CMRegisterType(container, "T");
    std::vector<CMProperty> properties;
    for (int i = 0; i < kProperties; ++i) {
        properties.push_back(CMRegisterProperty(container, ("P" + std::to_string(i)).c_str()));
    }
    CMObject object = CMNewObject(container);
    // Added from the last down, so that list order is not registration order.
    for (int i = kProperties - 1; i >= 0; --i) {
        const std::string data = "value " + std::to_string(i);
        CMWriteValueData(CMNewValue(object, properties[i], type), data.data(), 0, data.size());
    }
    std::vector<CMProperty> expected(properties.rbegin(), properties.rend());
    EXPECT_EQ(propertiesOf(object), expected);
    // Removing properties keeps the others in order.
    for (int i : {0, 150, 299}) {
        CMRemoveObjectProperty(object, properties[i]);
        expected.erase(std::find(expected.begin(), expected.end(), properties[i]));
    }
    EXPECT_EQ(propertiesOf(object), expected);
    EXPECT_EQ(CMCountProperties(object, nullptr), CMCount(kProperties - 3));
    std::vector<std::string> expectedNames;
    for (CMProperty property : expected)
        expectedNames.push_back(CMGetGlobalName(property));
    CMCloseContainer(container);

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    object = CMGetNextObject(container, nullptr);
    ASSERT_NE(object, nullptr);
    type = CMGetGlobalNameObject(container, "T");
    std::vector<CMProperty> read = propertiesOf(object);
    ASSERT_EQ(read.size(), expectedNames.size());
    for (size_t at = 0; at < read.size(); ++at) {
        const std::string name = CMGetGlobalName(read[at]);
        EXPECT_EQ(name, expectedNames[at]);
        EXPECT_EQ(readValue(CMUseValue(object, read[at], type)), text("value " + name.substr(1)));
    }
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

TEST_F(RecordLists, APropertyOfManyTypesKeepsEveryValueUntilRemoved) {
    constexpr int kTypes = 20;
    const std::string file = path("values.bento");
    CMContainer container = create(file);
    CMProperty property = CMRegisterProperty(container, "P");
    std::vector<CMType> types;
    for (int i = 0; i < kTypes; ++i) {
        types.push_back(CMRegisterType(container, ("T" + std::to_string(i)).c_str()));
    }
    CMObject object = CMNewObject(container);
    std::vector<CMValue> values;
    std::vector<std::vector<unsigned char>> expected;
    for (int i = 0; i < kTypes; ++i) {
        values.push_back(CMNewValue(object, property, types[i]));
        expected.push_back(text(std::string(size_t(i) + 1, char('a' + i))));
        CMWriteValueData(values.back(), expected.back().data(), 0, expected.back().size());
    }
    EXPECT_EQ(CMCountValues(object, property, nullptr), CMCount(kTypes));
    EXPECT_EQ(valuesOf(object, property), expected);
    // Down to one value and back up to two.
    for (int i = 0; i < kTypes; ++i) {
        if (i != 7) CMRemoveValue(values[i]);
    }
    EXPECT_EQ(valuesOf(object, property), (std::vector<std::vector<unsigned char>>{expected[7]}));
    EXPECT_EQ(CMUseValue(object, property, types[3]), nullptr);
    CMValue again = CMNewValue(object, property, types[3]);
    ASSERT_NE(again, nullptr) << errorNumbers();
    CMWriteValueData(again, "back", 0, 4);
    EXPECT_EQ(valuesOf(object, property),
              (std::vector<std::vector<unsigned char>>{expected[7], text("back")}));
    CMCloseContainer(container);

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    object = CMGetNextObject(container, nullptr);
    property = CMGetGlobalNameObject(container, "P");
    EXPECT_EQ(valuesOf(object, property),
              (std::vector<std::vector<unsigned char>>{expected[7], text("back")}));
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

TEST_F(RecordLists, AValueOfManySegmentsReadsBackWhole) {
    constexpr int kWrites = 20;
    const std::string file = path("segments.bento");
    CMContainer container = create(file);
    CMProperty property = CMRegisterProperty(container, "P");
    CMType type = CMRegisterType(container, "T");
    CMValue first = CMNewValue(CMNewObject(container), property, type);
    CMValue second = CMNewValue(CMNewObject(container), property, type);
    // Interleaved writes: each write of a value starts a new segment of it.
    std::vector<unsigned char> expected;
    for (int i = 0; i < kWrites; ++i) {
        const std::vector<unsigned char> piece(10, static_cast<unsigned char>('A' + i));
        CMWriteValueData(first, piece.data(), CMGetValueSize(first), piece.size());
        CMWriteValueData(second, "xxxxxxxx", CMGetValueSize(second), 8);
        expected.insert(expected.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(CMCountValueSegments(first), CMCount(kWrites));
    EXPECT_EQ(readValue(first), expected);
    // A cut across three segments keeps the head of the first and the tail of
    // the last and drops the one between.
    CMDeleteValueData(first, 15, 20);
    expected.erase(expected.begin() + 15, expected.begin() + 35);
    EXPECT_EQ(CMCountValueSegments(first), CMCount(kWrites - 1));
    EXPECT_EQ(readValue(first), expected);
    CMValueSegmentInfo info{};
    ASSERT_TRUE(CMGetValueSegment(first, 1, &info));
    EXPECT_EQ(info.length, 5u);
    EXPECT_TRUE(info.continued);
    CMCloseContainer(container);

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    property = CMGetGlobalNameObject(container, "P");
    type = CMGetGlobalNameObject(container, "T");
    CMValue value = CMUseValue(CMGetNextObject(container, nullptr), property, type);
    EXPECT_EQ(CMCountValueSegments(value), CMCount(kWrites - 1));
    EXPECT_EQ(readValue(value), expected);
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

} // namespace
