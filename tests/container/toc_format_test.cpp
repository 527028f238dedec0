// Reading hand-built containers: the label rules, the TOC codes and the
// checks after reading, each failure with its error number.
#include "container_fixture.h"
#include "raw_container.h"

using namespace container_test;

namespace {

class TocFormat : public ContainerTest {
  protected:
    // Opens bytes written to a file; closes the container when it opened.
    bool opens(const std::vector<unsigned char>& bytes) {
        const std::string file = path("raw.bento");
        writeFile(file, bytes);
        CMContainer container = open(file);
        if (container == nullptr) return false;
        opened_ = readAll(container);
        CMCloseContainer(container);
        return true;
    }

    // Every value of every user object, in order.
    static std::vector<std::vector<unsigned char>> readAll(CMContainer container) {
        std::vector<std::vector<unsigned char>> values;
        for (CMObject object = CMGetNextObject(container, nullptr); object != nullptr;
             object = CMGetNextObject(container, object)) {
            for (CMProperty property = CMGetNextObjectProperty(object, nullptr);
                 property != nullptr; property = CMGetNextObjectProperty(object, property)) {
                for (CMValue value = CMGetNextValue(object, property, nullptr); value != nullptr;
                     value = CMGetNextValue(object, property, value)) {
                    values.push_back(readValue(value));
                }
            }
        }
        return values;
    }

    int firstError() const { return errorLog().empty() ? -1 : errorLog().front().number; }

    std::vector<std::vector<unsigned char>> opened_;
};

// A container with one user object holding `prefix`-built entries after the
// property and type definitions 0x10001 ("P") and 0x10002 ("T").
RawContainer withDefinitions(bool bigEndian = false) {
    RawContainer raw(bigEndian);
    uint32_t p = raw.data({'P', 0});
    uint32_t t = raw.data({'T', 0});
    raw.standardObject();
    raw.object(0x10001, 21, 24).segment(p, 2);
    raw.object(0x10002, 21, 23).segment(t, 2);
    return raw;
}

TEST_F(TocFormat, HandBuiltContainerOpensAndReadsItsValues) {
    RawContainer raw = withDefinitions();
    uint32_t offset = raw.data({'h', 'e', 'l', 'l', 'o'});
    raw.object(0x10003, 0x10001, 0x10002).segment(offset, 5);
    ASSERT_TRUE(opens(raw.build())) << errorNumbers();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], std::vector<unsigned char>({'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(TocFormat, ImmediateBytesAreReadRawInBothByteOrders) {
    for (bool bigEndian : {false, true}) {
        errorLog().clear();
        RawContainer raw = withDefinitions(bigEndian);
        raw.object(0x10003, 0x10001, 0x10002).immediate({});
        raw.object(0x10004, 0x10001, 0x10002).immediate({0xA1});
        raw.object(0x10005, 0x10001, 0x10002).immediate({0xB1, 0xB2});
        raw.object(0x10006, 0x10001, 0x10002).immediate({0xC1, 0xC2, 0xC3});
        raw.object(0x10007, 0x10001, 0x10002).immediate({0xD1, 0xD2, 0xD3, 0xD4});
        RawContainer::Label label;
        label.flags = bigEndian ? 0 : 0x0101;
        ASSERT_TRUE(opens(raw.build(label))) << (bigEndian ? "big" : "little") << errorNumbers();
        ASSERT_EQ(opened_.size(), 5u);
        EXPECT_TRUE(opened_[0].empty());
        EXPECT_EQ(opened_[1], std::vector<unsigned char>({0xA1}));
        EXPECT_EQ(opened_[2], std::vector<unsigned char>({0xB1, 0xB2}));
        EXPECT_EQ(opened_[3], std::vector<unsigned char>({0xC1, 0xC2, 0xC3}));
        EXPECT_EQ(opened_[4], std::vector<unsigned char>({0xD1, 0xD2, 0xD3, 0xD4}));
    }
}

TEST_F(TocFormat, FillersAndEndOfBufferCodesAreSkipped) {
    RawContainer raw = withDefinitions();
    uint32_t offset = raw.data({'a', 'b', 'c', 'd', 'e', 'f'});
    raw.byte(255).byte(255);
    raw.object(0x10003, 0x10001, 0x10002).byte(255).segment(offset, 6);
    // Code 24 mid-buffer: the rest of the first 1024-byte buffer is not read.
    raw.byte(24);
    while (raw.tocSize() < 1024) raw.byte(0x77); // would be invalid codes if read
    raw.object(0x10004, 0x10001, 0x10002).segment(offset + 1, 2);
    ASSERT_TRUE(opens(raw.build())) << errorNumbers();
    ASSERT_EQ(opened_.size(), 2u);
    EXPECT_EQ(opened_[1], std::vector<unsigned char>({'b', 'c'}));
}

TEST_F(TocFormat, AnEntryMayEndExactlyAtTheBufferEndButNotCrossIt) {
    for (size_t shift : {0, 1}) {
        errorLog().clear();
        RawContainer raw = withDefinitions();
        uint32_t offset = raw.data({'x', 'y'});
        raw.object(0x10003, 0x10001, 0x10002);
        // A 9-byte segment entry ends at 1024 (shift 0) or at 1025 (shift 1).
        while (raw.tocSize() < 1024 - 9 + shift) raw.byte(255);
        raw.segment(offset, 2);
        bool opened = opens(raw.build());
        if (shift == 0) {
            EXPECT_TRUE(opened) << errorNumbers();
        } else {
            EXPECT_FALSE(opened);
            EXPECT_EQ(firstError(), 125) << errorNumbers();
        }
    }
}

TEST_F(TocFormat, MalformedEntriesGiveTheirErrorNumbers) {
    struct Case {
        const char* what;
        int error;
        void (*add)(RawContainer&);
    };
    const Case cases[] = {
        {"reserved code", 124, [](RawContainer& raw) { raw.byte(0x11).word(0); }},
        {"code zero", 124, [](RawContainer& raw) { raw.byte(0); }},
        {"code past 26", 124, [](RawContainer& raw) { raw.byte(27); }},
        {"two object codes in a row", 127,
         [](RawContainer& raw) {
             raw.object(0x10003, 0x10001, 0x10002).object(0x10004, 0x10001, 0x10002);
         }},
        {"object code without value at the end", 127,
         [](RawContainer& raw) { raw.object(0x10003, 0x10001, 0x10002); }},
        {"continued segment after a new property", 18,
         [](RawContainer& raw) { raw.object(0x10003, 0x10001, 0x10002).segment(0, 1, true); }},
        {"value made of the same bytes over and over, larger than the file", 20,
         [](RawContainer& raw) {
             uint32_t offset = raw.data(std::vector<unsigned char>(2000, 'z'));
             raw.object(0x10003, 0x10001, 0x10002).segment(offset, 2000);
             for (int i = 0; i < 40; ++i) raw.segment(offset, 2000, true);
         }},
        {"segment past the end of the file", 20,
         [](RawContainer& raw) { raw.object(0x10003, 0x10001, 0x10002).segment(0, 100000); }},
        {"type never defined", 21,
         [](RawContainer& raw) { raw.object(0x10003, 0x10001, 0x20000).immediate({1}); }},
        {"two values of one type", 48,
         [](RawContainer& raw) {
             raw.object(0x10003, 0x10001, 0x10002).immediate({1});
             raw.object(0x10003, 0x10001, 0x10002).immediate({2});
         }},
        {"a property used as a type", 16,
         [](RawContainer& raw) { raw.object(0x10003, 0x10001, 0x10001).immediate({1}); }},
    };
    for (const Case& test : cases) {
        errorLog().clear();
        RawContainer raw = withDefinitions();
        test.add(raw);
        EXPECT_FALSE(opens(raw.build())) << test.what;
        EXPECT_EQ(firstError(), test.error) << test.what << "\n" << errorNumbers();
    }
    errorLog().clear();
    RawContainer raw = withDefinitions();
    raw.object(0x10003, 0x10001, 0x10002).byte(0x11).word(0);
    opens(raw.build());
    ASSERT_FALSE(errorLog().empty());
    EXPECT_EQ(errorLog().front().text.rfind("Invalid TOC code read (0x11) from TOC in container", 0),
              0u)
        << errorLog().front().text;
}

TEST_F(TocFormat, AValueCodeBeforeAnyObjectIsAParseError) {
    RawContainer raw;
    raw.property(2, 19).immediate({1});
    EXPECT_FALSE(opens(raw.build()));
    EXPECT_EQ(firstError(), 126);
    EXPECT_NE(errorLog().front().text.find("expected object ID, got 0x2"), std::string::npos);
}

TEST_F(TocFormat, MissingTocObjectPropertiesAreReported) {
    const std::pair<uint32_t, int> cases[] = {{2, 54}, {3, 36}, {4, 64}, {5, 95}, {6, 95}};
    for (auto [skip, error] : cases) {
        errorLog().clear();
        RawContainer raw;
        raw.standardObject(skip);
        EXPECT_FALSE(opens(raw.build())) << "without property " << skip;
        EXPECT_EQ(firstError(), error) << "without property " << skip;
    }
    errorLog().clear();
    RawContainer noTocObject;
    noTocObject.object(0x10003, 2, 19).immediate({1});
    EXPECT_FALSE(opens(noTocObject.build()));
    EXPECT_EQ(firstError(), 37);

    errorLog().clear();
    RawContainer wrongSize;
    wrongSize.standardObject(0, true);
    EXPECT_FALSE(opens(wrongSize.build()));
    EXPECT_EQ(firstError(), 65);
}

TEST_F(TocFormat, LabelMagicAndVersionAreChecked) {
    RawContainer::Label badMagic;
    badMagic.badMagic = true;
    RawContainer raw;
    raw.standardObject();
    EXPECT_FALSE(opens(raw.build(badMagic)));
    EXPECT_EQ(firstError(), 12);

    for (auto [major, minor] : {std::pair<uint16_t, uint16_t>{2, 1}, {3, 0}, {2, 2}}) {
        errorLog().clear();
        RawContainer::Label label;
        label.major = major;
        label.minor = minor;
        EXPECT_FALSE(opens(raw.build(label))) << major << "." << minor;
        EXPECT_EQ(firstError(), 13) << major << "." << minor;
        ASSERT_FALSE(errorLog().empty());
        EXPECT_NE(errorLog().front().text.find("expected 2.0, got " + std::to_string(major) + "." +
                                               std::to_string(minor)),
                  std::string::npos)
            << errorLog().front().text;
    }
}

TEST_F(TocFormat, TocPositionsBeyondTheFileAreRejectedBeforeReading) {
    RawContainer raw;
    raw.standardObject();
    RawContainer::Label label;
    label.tocOffsetDelta = 1 << 20;
    EXPECT_FALSE(opens(raw.build(label)));
    EXPECT_EQ(firstError(), 14);
}

TEST_F(TocFormat, TruncatedFilesGiveALabelError) {
    for (size_t size : {0, 5, 23}) {
        errorLog().clear();
        EXPECT_FALSE(opens(std::vector<unsigned char>(size, 0xA4))) << size;
        EXPECT_FALSE(errorLog().empty()) << size;
    }
}

TEST_F(TocFormat, Version1TocsOpenWithAnyMinorVersionInBothByteOrders) {
    for (bool bigEndian : {false, true}) {
        for (uint16_t minor : {0, 3}) {
            errorLog().clear();
            RawContainer raw(bigEndian);
            uint32_t p = raw.data({'P', 0});
            uint32_t t = raw.data({'T', 0});
            uint32_t d = raw.data({'1', '2', '3', '4', '5', '6'});
            raw.standardObjectVersion1();
            raw.entry(0x10001, 21, 24, p, 2);
            raw.entry(0x10002, 21, 23, t, 2);
            raw.entry(0x10003, 0x10001, 0x10002, d, 3);
            raw.entry(0x10003, 0x10001, 0x10002, d + 3, 3, 1, 2); // continued
            RawContainer::Label label;
            label.major = 1;
            label.minor = minor;
            label.flags = 0;
            ASSERT_TRUE(opens(raw.build(label)))
                << (bigEndian ? "big" : "little") << " 1." << minor << "\n"
                << errorNumbers();
            ASSERT_EQ(opened_.size(), 1u);
            EXPECT_EQ(opened_[0], std::vector<unsigned char>({'1', '2', '3', '4', '5', '6'}));
        }
    }
}

TEST_F(TocFormat, Version1TocWithPartialEntryIsAShortRead) {
    RawContainer raw;
    raw.standardObjectVersion1();
    raw.byte(1).byte(2);
    RawContainer::Label label;
    label.major = 1;
    EXPECT_FALSE(opens(raw.build(label)));
    EXPECT_EQ(firstError(), 14);
}

} // namespace
