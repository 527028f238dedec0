// Containers opened over existing bytes: appending updates, converting raw
// data, and read/write opens.
#include "container_fixture.h"

using namespace container_test;

namespace {

class UpdateModes : public ContainerTest {
  protected:
    std::string writeBase() {
        const std::string file = path("base.bento");
        CMContainer container = create(file);
        CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "P"),
                                   CMRegisterType(container, "T"));
        CMWriteValueData(value, "original value", 0, 14);
        CMCloseContainer(container);
        return file;
    }

    CMContainer openForUpdate(const std::string& file, CMContainerUseMode mode) {
        CMRefCon refCon = CMCreateFileRefCon(session_, file.c_str(), nullptr, nullptr);
        return CMOpenNewContainer(session_, refCon, CMFileStreamTypeName, mode, 1, 0);
    }
};

TEST_F(UpdateModes, AppendingLeavesTheOriginalBytesAndAddsANewToc) {
    const std::string file = writeBase();
    const std::vector<unsigned char> before = readFile(file);
    CMContainer container = openForUpdate(file, kCMUpdateByAppend);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMObject object = CMNewObject(container);
    CMValue value = CMNewValue(object, CMGetGlobalNameObject(container, "P"),
                               CMGetGlobalNameObject(container, "T"));
    CMWriteValueData(value, "appended value", 0, 14);
    CMCloseContainer(container);
    ASSERT_TRUE(errorLog().empty()) << errorNumbers();

    const std::vector<unsigned char> after = readFile(file);
    ASSERT_GT(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMProperty property = CMGetGlobalNameObject(container, "P");
    CMType type = CMGetGlobalNameObject(container, "T");
    CMObject first = CMGetNextObject(container, nullptr);
    CMObject second = CMGetNextObject(container, first);
    ASSERT_NE(second, nullptr);
    std::vector<unsigned char> a = readValue(CMUseValue(first, property, type));
    std::vector<unsigned char> b = readValue(CMUseValue(second, property, type));
    EXPECT_EQ(std::string(a.begin(), a.end()), "original value");
    EXPECT_EQ(std::string(b.begin(), b.end()), "appended value");
    // The new-values TOC property is recorded on the TOC object.
    CMObject toc = CMFindObjectByID(container, 1);
    EXPECT_EQ(CMCountValues(toc,
                            CMGetGlobalNameObject(container, "Apple:Global_Name_TOC_NewValuesTOC"),
                            nullptr),
              1u);
    CMCloseContainer(container);
}

TEST_F(UpdateModes, OnlyOneUpdateModeAndNoTargetContainers) {
    const std::string file = writeBase();
    EXPECT_EQ(openForUpdate(file, kCMUpdateByAppend | kCMConverting), nullptr);
    EXPECT_TRUE(reported(97));
    EXPECT_EQ(openForUpdate(file, kCMUpdateTarget), nullptr);
    EXPECT_TRUE(reported(98));
}

TEST_F(UpdateModes, ConvertingDescribesExistingRawData) {
    const std::string file = path("raw.dat");
    std::vector<unsigned char> raw(100);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<unsigned char>(200 - i);
    writeFile(file, raw);
    CMContainer container = openForUpdate(file, kCMConverting);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMProperty property = CMRegisterProperty(container, "P");
    CMType type = CMRegisterType(container, "T");
    CMValue value = CMNewValue(CMNewObject(container), property, type);
    CMDefineValueData(value, 10, 20);
    CMDefineValueData(value, 30, 5); // contiguous: one segment
    EXPECT_EQ(CMCountValueSegments(value), 1u);
    EXPECT_EQ(readValue(value), std::vector<unsigned char>(raw.begin() + 10, raw.begin() + 35));
    CMDefineValueData(value, 90, 20);
    EXPECT_TRUE(reported(39));
    CMValue small = CMNewValue(CMNewObject(container), property, type);
    CMWriteValueData(small, "ab", 0, 2);
    CMDefineValueData(small, 0, 4);
    EXPECT_TRUE(reported(83));
    CMCloseContainer(container);

    const std::vector<unsigned char> after = readFile(file);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), after.begin()));
    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    value = CMUseValue(CMGetNextObject(container, nullptr), CMGetGlobalNameObject(container, "P"),
                       CMGetGlobalNameObject(container, "T"));
    EXPECT_EQ(readValue(value), std::vector<unsigned char>(raw.begin() + 10, raw.begin() + 35));
    CMCloseContainer(container);
}

TEST_F(UpdateModes, DefiningDataOutsideAConvertingContainerIsRefused) {
    CMContainer container = create(path("plain.bento"));
    CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "P"),
                               CMRegisterType(container, "T"));
    CMDefineValueData(value, 0, 1);
    EXPECT_TRUE(reported(38));
    CMCloseContainer(container);
}

TEST_F(UpdateModes, ReadWriteOpenKeepsOldValuesAndAddsNewOnes) {
    const std::string file = writeBase();
    const std::vector<unsigned char> before = readFile(file);
    CMContainer container = open(file, kCMReadWrite);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMCloseContainer(container);
    EXPECT_EQ(readFile(file), before); // nothing changed: no new TOC

    container = open(file, kCMReadWrite);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMValue value = CMNewValue(CMNewObject(container), CMGetGlobalNameObject(container, "P"),
                               CMGetGlobalNameObject(container, "T"));
    CMWriteValueData(value, "second", 0, 6);
    CMCloseContainer(container);
    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMObject first = CMGetNextObject(container, nullptr);
    CMObject second = CMGetNextObject(container, first);
    ASSERT_NE(second, nullptr);
    std::vector<unsigned char> b =
        readValue(CMUseValue(second, CMGetGlobalNameObject(container, "P"),
                             CMGetGlobalNameObject(container, "T")));
    EXPECT_EQ(std::string(b.begin(), b.end()), "second");
    CMCloseContainer(container);
}

} // namespace
