// Behaviour of the container API on files written and read through the
// file stream handler.
#include "container_fixture.h"

#include <cstring>

using namespace container_test;

namespace {

std::vector<unsigned char> bytesOf(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

class ContainerApi : public ContainerTest {};

TEST_F(ContainerApi, ValuesOfEverySizeReadBackAfterReopen) {
    const std::string file = path("sizes.bento");
    std::vector<std::vector<unsigned char>> payloads;
    for (size_t size : {0, 1, 2, 3, 4, 5, 17, 4096, 70000}) {
        std::vector<unsigned char> bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + size);
        payloads.push_back(bytes);
    }
    CMObjectID objectID = 0;
    {
        CMContainer container = create(file);
        ASSERT_NE(container, nullptr) << errorNumbers();
        CMProperty property = CMRegisterProperty(container, "Test:Object:Data");
        CMObject object = CMNewObject(container);
        objectID = CMGetObjectID(object);
        for (size_t i = 0; i < payloads.size(); ++i) {
            CMType type = CMRegisterType(container, ("Test:Type" + std::to_string(i)).c_str());
            CMValue value = CMNewValue(object, property, type);
            ASSERT_NE(value, nullptr) << errorNumbers();
            ASSERT_EQ(CMWriteValueData(value, payloads[i].data(), 0, payloads[i].size()),
                      payloads[i].size());
        }
        CMCloseContainer(container);
    }
    ASSERT_TRUE(errorLog().empty()) << errorNumbers();
    CMContainer container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMObject object = CMFindObjectByID(container, objectID);
    ASSERT_NE(object, nullptr);
    CMProperty property = CMGetGlobalNameObject(container, "Test:Object:Data");
    ASSERT_NE(property, nullptr);
    EXPECT_TRUE(CMIsProperty(property));
    EXPECT_EQ(CMCountValues(object, property, nullptr), payloads.size());
    for (size_t i = 0; i < payloads.size(); ++i) {
        CMType type = CMGetGlobalNameObject(container, ("Test:Type" + std::to_string(i)).c_str());
        ASSERT_NE(type, nullptr);
        EXPECT_TRUE(CMIsType(type));
        CMValue value = CMUseValue(object, property, type);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(readValue(value), payloads[i]) << "value " << i;
    }
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

TEST_F(ContainerApi, SmallValuesStayImmediateUntilTheyGrowPastFourBytes) {
    CMContainer container = create(path("immediate.bento"));
    CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "P"),
                               CMRegisterType(container, "T"));
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    CMValueSegmentInfo info{};
    CMWriteValueData(value, bytes, 0, 3);
    CMWriteValueData(value, bytes + 3, 3, 1);
    ASSERT_EQ(CMCountValueSegments(value), 1u);
    ASSERT_TRUE(CMGetValueSegment(value, 0, &info));
    EXPECT_TRUE(info.immediate);
    EXPECT_EQ(info.length, 4u);
    EXPECT_EQ(std::memcmp(info.immediateData, bytes, 4), 0);

    CMWriteValueData(value, bytes + 4, 4, 1);
    ASSERT_EQ(CMCountValueSegments(value), 1u);
    ASSERT_TRUE(CMGetValueSegment(value, 0, &info));
    EXPECT_FALSE(info.immediate);
    EXPECT_EQ(info.length, 5u);
    EXPECT_EQ(readValue(value), std::vector<unsigned char>(bytes, bytes + 5));
    CMCloseContainer(container);
}

TEST_F(ContainerApi, SuccessiveAppendsExtendOneSegmentAndInterleavedWritesSplit) {
    const std::string file = path("segments.bento");
    CMContainer container = create(file);
    CMProperty property = CMRegisterProperty(container, "P");
    CMType type = CMRegisterType(container, "T");
    CMValue first = CMNewValue(CMNewObject(container), property, type);
    CMValue second = CMNewValue(CMNewObject(container), property, type);
    std::vector<unsigned char> a(100, 'a'), b(100, 'b');
    CMWriteValueData(first, a.data(), 0, 50);
    CMWriteValueData(first, a.data(), 50, 50);
    EXPECT_EQ(CMCountValueSegments(first), 1u);
    CMWriteValueData(second, b.data(), 0, 50);
    CMWriteValueData(first, a.data(), 100, 50); // the stream end moved: a new segment
    CMWriteValueData(second, b.data(), 50, 50);
    EXPECT_EQ(CMCountValueSegments(first), 2u);
    EXPECT_EQ(CMCountValueSegments(second), 2u);
    CMCloseContainer(container);

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    property = CMGetGlobalNameObject(container, "P");
    type = CMGetGlobalNameObject(container, "T");
    CMObject object = CMGetNextObject(container, nullptr);
    ASSERT_NE(object, nullptr);
    CMValue value = CMUseValue(object, property, type);
    EXPECT_EQ(CMCountValueSegments(value), 2u);
    EXPECT_EQ(readValue(value), std::vector<unsigned char>(150, 'a'));
    object = CMGetNextObject(container, object);
    value = CMUseValue(object, property, type);
    EXPECT_EQ(readValue(value), std::vector<unsigned char>(100, 'b'));
    EXPECT_EQ(CMGetNextObject(container, object), nullptr);
    CMCloseContainer(container);
}

TEST_F(ContainerApi, OverwriteAcrossSegmentsAndAppendRemainder) {
    CMContainer container = create(path("overwrite.bento"));
    CMProperty property = CMRegisterProperty(container, "P");
    CMType type = CMRegisterType(container, "T");
    CMValue value = CMNewValue(CMNewObject(container), property, type);
    CMValue other = CMNewValue(CMNewObject(container), property, type);
    std::string text = "0123456789";
    CMWriteValueData(value, text.data(), 0, 10);
    CMWriteValueData(other, "x", 0, 1);
    CMWriteValueData(other, "yyyyyyy", 1, 7); // moves `other` out of the immediate field
    CMWriteValueData(value, "ABCDEFGHIJ", 10, 10);
    ASSERT_EQ(CMCountValueSegments(value), 2u);
    // Overwrite from 8 over the segment boundary and 4 bytes past the end.
    EXPECT_EQ(CMWriteValueData(value, "abcdefghijklmnop", 8, 16), 16u);
    EXPECT_EQ(readValue(value), bytesOf("01234567abcdefghijklmnop"));
    EXPECT_EQ(readValue(other), bytesOf("xyyyyyyy"));
    // Writing beyond the end is refused.
    EXPECT_EQ(CMWriteValueData(value, "z", 30, 1), 0u);
    EXPECT_TRUE(reported(52));
    CMCloseContainer(container);
}

TEST_F(ContainerApi, DeletingDataShiftsImmediatesAndSplitsSegments) {
    CMContainer container = create(path("delete.bento"));
    CMProperty property = CMRegisterProperty(container, "P");
    CMType type = CMRegisterType(container, "T");
    CMValue small = CMNewValue(CMNewObject(container), property, type);
    CMWriteValueData(small, "abcd", 0, 4);
    CMDeleteValueData(small, 1, 2);
    EXPECT_EQ(readValue(small), bytesOf("ad"));
    CMDeleteValueData(small, 2, 5); // at the end: nothing changes
    EXPECT_EQ(readValue(small), bytesOf("ad"));

    CMValue large = CMNewValue(CMNewObject(container), property, type);
    CMWriteValueData(large, "0123456789", 0, 10);
    CMDeleteValueData(large, 3, 4);
    EXPECT_EQ(readValue(large), bytesOf("012789"));
    EXPECT_EQ(CMCountValueSegments(large), 2u);
    CMDeleteValueData(large, 4, 100); // clipped to the end
    EXPECT_EQ(readValue(large), bytesOf("0127"));
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
    CMCloseContainer(container);
}

TEST_F(ContainerApi, NamesRegisterOnceAndKindsDoNotMix) {
    CMContainer container = create(path("names.bento"));
    CMType type = CMRegisterType(container, "Test:Name");
    EXPECT_EQ(CMRegisterType(container, "Test:Name"), type);
    EXPECT_STREQ(CMGetGlobalName(type), "Test:Name");
    EXPECT_EQ(CMRegisterProperty(container, "Test:Name"), nullptr);
    ASSERT_FALSE(errorLog().empty());
    EXPECT_EQ(errorLog().back().number, 76);
    EXPECT_NE(errorLog().back().text.find("Attempt to register a property name (Test:Name)"),
              std::string::npos)
        << errorLog().back().text;
    EXPECT_NE(errorLog().back().text.find("already defined as a type"), std::string::npos);
    CMCloseContainer(container);
}

TEST_F(ContainerApi, ObjectIDsStartAtTheSeedAndContinueAfterReopen) {
    const std::string file = path("seed.bento");
    CMContainer container = create(file);
    CMObject first = CMNewObject(container);
    EXPECT_EQ(CMGetObjectID(first), kCMMinUserObjectID);
    CMValue value = CMNewValue(first, CMRegisterProperty(container, "P"),
                               CMRegisterType(container, "T"));
    CMWriteValueData(value, "x", 0, 1);
    CMCloseContainer(container);
    container = open(file, kCMReadWrite);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMObject next = CMNewObject(container);
    EXPECT_EQ(CMGetObjectID(next), kCMMinUserObjectID + 3); // object, property, type taken
    CMCloseContainer(container);
}

TEST_F(ContainerApi, ContainerLevelErrorsAreReportedWithTheirTexts) {
    CMRefCon refCon = CMCreateFileRefCon(session_, path("gen.bento").c_str(), nullptr, nullptr);
    EXPECT_EQ(CMOpenNewContainer(session_, refCon, CMFileStreamTypeName, 0, 0, 0), nullptr);
    ASSERT_EQ(errorLog().size(), 1u);
    EXPECT_EQ(errorLog()[0].number, 73);
    EXPECT_EQ(errorLog()[0].text,
              "Invalid generation number (0) passed to CMOpenNewContainer (container \"OMFI\")");

    errorLog().clear();
    refCon = CMCreateFileRefCon(session_, path("gen.bento").c_str(), nullptr, nullptr);
    EXPECT_EQ(CMOpenContainer(session_, refCon, CMFileStreamTypeName,
                              kCMUpdateByAppend | kCMConverting),
              nullptr);
    ASSERT_EQ(errorLog().size(), 1u);
    EXPECT_EQ(errorLog()[0].text, "Cannot do a CMOpenContainer(...\"OMFI\"...) with useFlags set "
                                  "for kCMUpdateByAppend, kCMConverting");

    errorLog().clear();
    EXPECT_EQ(CMOpenContainer(session_, nullptr, "NoSuchType", 0), nullptr);
    ASSERT_EQ(errorLog().size(), 1u);
    EXPECT_EQ(errorLog()[0].text, "Metahandler was not defined for type \"NoSuchType\"");
}

TEST_F(ContainerApi, ProtectedAndInUseObjectsCannotBeRemoved) {
    CMContainer container = create(path("remove.bento"));
    CMObject toc = CMFindObjectByID(container, 1);
    ASSERT_NE(toc, nullptr);
    CMRemoveObject(toc);
    EXPECT_TRUE(reported(67));
    CMObject object = CMNewObject(container);
    CMKeepObject(object);
    CMRemoveObject(object);
    EXPECT_TRUE(reported(129));
    CMReleaseObject(object);
    CMRemoveObject(object);
    EXPECT_EQ(CMFindObjectByID(container, CMGetObjectID(object)), nullptr);
    // The seed property of the TOC object is protected.
    CMValue seed = CMUseValue(toc, CMGetGlobalNameObject(container, "Apple:Global_Name_TOC_Seed"),
                              CMGetGlobalNameObject(container, "Apple:Global_Name_TOC_Type"));
    ASSERT_NE(seed, nullptr);
    EXPECT_EQ(CMWriteValueData(seed, "abcd", 0, 4), 0u);
    EXPECT_TRUE(reported(62));
    CMCloseContainer(container);
}

TEST_F(ContainerApi, ValuesOfAReadContainerCannotBeWritten) {
    const std::string file = path("readonly.bento");
    CMContainer container = create(file);
    CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "P"),
                               CMRegisterType(container, "T"));
    CMWriteValueData(value, "hello world", 0, 11);
    CMCloseContainer(container);
    container = open(file);
    ASSERT_NE(container, nullptr);
    value = CMUseValue(CMGetNextObject(container, nullptr), CMGetGlobalNameObject(container, "P"),
                       CMGetGlobalNameObject(container, "T"));
    EXPECT_EQ(CMWriteValueData(value, "x", 0, 1), 0u);
    EXPECT_TRUE(reported(61));
    EXPECT_EQ(CMNewObject(container), nullptr);
    CMCloseContainer(container);
    EXPECT_EQ(readFile(file).size(), std::filesystem::file_size(file));
}

TEST_F(ContainerApi, SecondValueOfTheSameTypeIsRefused) {
    CMContainer container = create(path("dup.bento"));
    CMObject object = CMNewObject(container);
    CMProperty property = CMRegisterProperty(container, "P");
    CMType type = CMRegisterType(container, "T");
    EXPECT_NE(CMNewValue(object, property, type), nullptr);
    EXPECT_EQ(CMNewValue(object, property, type), nullptr);
    EXPECT_TRUE(reported(48));
    CMCloseContainer(container);
}

TEST_F(ContainerApi, AbortWritesNoTocAndEndingASessionReportsOpenContainers) {
    const std::string file = path("abort.bento");
    CMContainer container = create(file);
    CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "P"),
                               CMRegisterType(container, "T"));
    CMWriteValueData(value, "0123456789", 0, 10);
    CMAbortContainer(container);
    EXPECT_EQ(std::filesystem::file_size(file), 10u); // the data only, no TOC or label

    create(path("left-open.bento"));
    CMEndBentoSession(session_, 0);
    session_ = nullptr;
    EXPECT_TRUE(reported(70));
    EXPECT_FALSE(std::filesystem::exists(path("left-open.bento")) &&
                 std::filesystem::file_size(path("left-open.bento")) > 0);
}

TEST_F(ContainerApi, GenerationAndValueFlagsSurviveTheTocInBothFormats) {
    for (CMContainerFlags format : {CMContainerFlags(0), CMContainerFlags(kCMVersion1TOC)}) {
        const std::string file = path("generation" + std::to_string(format) + ".bento");
        CMContainer container = create(file, format);
        CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "P"),
                                   CMRegisterType(container, "T"));
        CMWriteValueData(value, "data!", 0, 5);
        CMSetValueGeneration(value, 7);
        CMSetValueFlags(value, 0x1234);
        CMCloseContainer(container);
        container = open(file);
        ASSERT_NE(container, nullptr) << errorNumbers();
        value = CMUseValue(CMGetNextObject(container, nullptr),
                           CMGetGlobalNameObject(container, "P"),
                           CMGetGlobalNameObject(container, "T"));
        CMGeneration generation = 0;
        CMGetValueInfo(value, nullptr, nullptr, nullptr, nullptr, &generation);
        EXPECT_EQ(generation, 7u);
        // The version-1 TOC has no room for value flags.
        EXPECT_EQ(CMGetValueFlags(value), format == 0 ? 0x1234u : 0u);
        CMContainerLabelInfo info{};
        CMGetContainerLabelInfo(container, &info);
        EXPECT_EQ(info.majorVersion, format == 0 ? 2 : 1);
        CMCloseContainer(container);
    }
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

} // namespace
