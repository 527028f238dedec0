// Sessions and files: creating files of every revision, reopening them,
// the identification written from the session, and the open failures.
#include "omf_fixture.h"

#include "omf/internal/records.h"
#include "omf/omf_registry.h"

#include <cstring>
#include <fstream>

using namespace omf_test;

namespace {

class SessionsAndFiles : public ToolkitTest {
  protected:
    omfHdl_t createAndClose(const std::string& name, omfFileRev_t revision) {
        omfHdl_t file = nullptr;
        EXPECT_EQ(omfsNewFile(path(name).c_str(), session_, revision, &file), 0);
        EXPECT_EQ(omfsCloseOMFFile(file), 0);
        return file;
    }
};

TEST_F(SessionsAndFiles, FilesOfEveryRevisionReopenWithTheirRevisionAndByteOrder) {
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRevIMA, kOmfRev2x}) {
        const std::string name = "rev" + std::to_string(revision) + ".omf";
        createAndClose(name, revision);
        omfHdl_t file = nullptr;
        ASSERT_EQ(omfsOpenFileForRead(path(name).c_str(), session_, &file), 0)
            << "revision " << revision;
        omfFileRev_t opened{};
        EXPECT_EQ(omfsFileRevision(file, &opened), 0);
        EXPECT_EQ(opened, revision);
        omfInt16 byteOrder = 0;
        EXPECT_EQ(omfsFileByteOrder(file, &byteOrder), 0);
        EXPECT_EQ(static_cast<uint16_t>(byteOrder), kOmfLittleEndian);
        EXPECT_EQ(omfsCloseOMFFile(file), 0);
    }
}

TEST_F(SessionsAndFiles, IdentificationIsWrittenFromTheSessionsProductRecord) {
    createAndClose("ident.omf", kOmfRev2x);
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsOpenFileForRead(path("ident.omf").c_str(), session_, &file), 0);
    omfObject_t head = nullptr;
    ASSERT_EQ(omfsGetHeadObject(file, &head), 0);
    ASSERT_EQ(omfsLengthObjRefArray(file, head, kOmfProperty_HEAD_IdentificationList), 1);
    omfObject_t idnt = nullptr;
    ASSERT_EQ(omfsGetNthObjRefArray(file, head, kOmfProperty_HEAD_IdentificationList, &idnt, 1), 0);
    omfClassID_t classID;
    ASSERT_EQ(omfsReadClassOf(file, idnt, classID), 0);
    EXPECT_EQ(std::string(classID, 4), "IDNT");
    char text[64];
    ASSERT_EQ(omfsReadString(file, idnt, kOmfProperty_IDNT_CompanyName, text, sizeof text), 0);
    EXPECT_STREQ(text, "Test Company");
    ASSERT_EQ(omfsReadString(file, idnt, kOmfProperty_IDNT_ProductName, text, sizeof text), 0);
    EXPECT_STREQ(text, "Toolkit Tests");
    ASSERT_EQ(omfsReadString(file, idnt, kOmfProperty_IDNT_ProductVersionString, text, sizeof text),
              0);
    EXPECT_STREQ(text, "1.2.3 test");
    ASSERT_EQ(omfsReadString(file, idnt, kOmfProperty_IDNT_Platform, text, sizeof text), 0);
    EXPECT_STREQ(text, "Linux");
    omfInt32 productID = 0;
    ASSERT_EQ(omfsReadInt32(file, idnt, kOmfProperty_IDNT_ProductID, &productID), 0);
    EXPECT_EQ(productID, 4242);
    omfProductVersion_t version{};
    ASSERT_EQ(omfsReadProductVersion(file, idnt, kOmfProperty_IDNT_ProductVersion, &version), 0);
    EXPECT_EQ(version.major, 1);
    EXPECT_EQ(version.minor, 2);
    EXPECT_EQ(version.tertiary, 3);
    EXPECT_EQ(version.type, kVersionBeta);
    EXPECT_EQ(version.patchLevel, 7);
    omfTimeStamp_t date{};
    ASSERT_EQ(omfsReadTimeStamp(file, idnt, kOmfProperty_IDNT_Date, &date), 0);
    EXPECT_GT(date.TimeVal, 1700000000u);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(SessionsAndFiles, TwoXFilesDefineTheStandardDataKinds) {
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("kinds.omf").c_str(), session_, kOmfRev2x, &file), 0);
    omfObject_t picture = nullptr;
    omfErr_t error = 0;
    EXPECT_TRUE(omfsFindDataKind(file, "Picture", &picture, &error));
    EXPECT_NE(picture, nullptr);
    omfObject_t again = nullptr;
    EXPECT_EQ(omfsDefineDataKind(file, "omfi:data:Picture", &again), 125);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);

    ASSERT_EQ(omfsOpenFileForRead(path("kinds.omf").c_str(), session_, &file), 0);
    omfObject_t edgecode = nullptr;
    EXPECT_TRUE(omfsFindDataKind(file, "omfi:data:Edgecode", &edgecode, &error));
    char name[64];
    ASSERT_EQ(omfsReadUniqueName(file, edgecode, kOmfProperty_DDEF_DataKindID, name, sizeof name),
              0);
    EXPECT_STREQ(name, "omfi:data:Edgecode");
    omfObject_t unknown = nullptr;
    EXPECT_FALSE(omfsFindDataKind(file, "Smell", &unknown, &error));
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(SessionsAndFiles, OneXFilesHaveDataKindTokens) {
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("tokens.omf").c_str(), session_, kOmfRev1x, &file), 0);
    omfObject_t kind = nullptr;
    omfErr_t error = 0;
    EXPECT_TRUE(omfsFindDataKind(file, "omfi:data:StereoSound", &kind, &error));
    EXPECT_EQ(reinterpret_cast<intptr_t>(kind), 2);
    EXPECT_TRUE(omfsFindDataKind(file, "Timecode", &kind, &error));
    EXPECT_EQ(reinterpret_cast<intptr_t>(kind), 3);
    EXPECT_FALSE(omfsFindDataKind(file, "NoDatakind", &kind, &error));
    EXPECT_EQ(omfsDefineDataKind(file, "Picture", &kind), 174);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(SessionsAndFiles, MissingAndForeignFilesGiveTheirErrors) {
    omfHdl_t file = nullptr;
    EXPECT_EQ(omfsOpenFileForRead(path("absent.omf").c_str(), session_, &file), 28);
    EXPECT_EQ(file, nullptr);
    std::ofstream(path("text.omf")) << std::string(200, 'x');
    EXPECT_EQ(omfsOpenFileForRead(path("text.omf").c_str(), session_, &file), 24);
    std::ofstream(path("tiny.omf")) << "tiny";
    EXPECT_EQ(omfsOpenFileForRead(path("tiny.omf").c_str(), session_, &file), 24);
    EXPECT_EQ(omfsOpenFileForRead(nullptr, session_, &file), 177);
    EXPECT_EQ(omfsOpenFileForRead(path("x").c_str(), nullptr, &file), 11);
}

TEST_F(SessionsAndFiles, HeadVersionDecidesTheRevision) {
    struct Case {
        omfVersionType_t version;
        omfErr_t expected;
    };
    for (Case test : {Case{{2, 1}, 16}, Case{{3, 0}, 16}, Case{{2, 0}, 0}}) {
        const std::string name = "version" + std::to_string(test.version.major) +
                                 std::to_string(test.version.minor) + ".omf";
        omfHdl_t file = nullptr;
        ASSERT_EQ(omfsNewFile(path(name).c_str(), session_, kOmfRev2x, &file), 0);
        omfObject_t head = nullptr;
        omfsGetHeadObject(file, &head);
        ASSERT_EQ(omfsWriteVersionType(file, head, kOmfProperty_HEAD_Version, test.version), 0);
        ASSERT_EQ(omfsCloseOMFFile(file), 0);
        EXPECT_EQ(omfsOpenFileForRead(path(name).c_str(), session_, &file), test.expected)
            << int(test.version.major) << "." << int(test.version.minor);
        if (test.expected == 0) {
            EXPECT_EQ(omfsCloseOMFFile(file), 0);
        }
    }
}

TEST_F(SessionsAndFiles, AFileWithoutByteOrderFails) {
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("noorder.omf").c_str(), session_, kOmfRev2x, &file), 0);
    omfObject_t head = nullptr;
    omfsGetHeadObject(file, &head);
    CMProperty byteOrder = CMGetGlobalNameObject(file->container, "OMFI:HEAD:ByteOrder");
    ASSERT_NE(byteOrder, nullptr);
    CMRemoveObjectProperty(head, byteOrder);
    ASSERT_EQ(omfsCloseOMFFile(file), 0);
    EXPECT_EQ(omfsOpenFileForRead(path("noorder.omf").c_str(), session_, &file), 22);
}

TEST_F(SessionsAndFiles, FinishingASessionClosesItsFiles) {
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("left.omf").c_str(), session_, kOmfRev2x, &file), 0);
    ASSERT_EQ(omfsFinishSession(session_), 0);
    session_ = nullptr;
    omfProductIdentification_t ident = testIdentification();
    ASSERT_EQ(omfsStartSession(&ident, &session_), 0);
    ASSERT_EQ(omfsOpenFileForRead(path("left.omf").c_str(), session_, &file), 0);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(SessionsAndFiles, CreatingWithoutAnIdentificationIsRefused) {
    omfSessionHdl_t bare = nullptr;
    ASSERT_EQ(omfsStartSession(nullptr, &bare), 0);
    omfHdl_t file = nullptr;
    EXPECT_EQ(omfsNewFile(path("anon.omf").c_str(), bare, kOmfRev2x, &file), 32);
    EXPECT_EQ(omfsFinishSession(bare), 0);
    EXPECT_EQ(omfsFinishSession(nullptr), 11);
    EXPECT_EQ(omfsCloseOMFFile(nullptr), 20);
}

TEST_F(SessionsAndFiles, TheClassDictionaryIsWrittenAndReadBack) {
    createAndClose("classes.omf", kOmfRev2x);
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsOpenFileForRead(path("classes.omf").c_str(), session_, &file), 0);
    omfObject_t head = nullptr;
    omfsGetHeadObject(file, &head);
    omfInt32 count = omfsLengthObjRefArray(file, head, kOmfProperty_HEAD_ClassDictionary);
    EXPECT_GT(count, 40);
    bool sawCompositionMob = false;
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t entry = nullptr;
        omfClassID_t classID;
        ASSERT_EQ(omfsGetNthObjRefArray(file, head, kOmfProperty_HEAD_ClassDictionary, &entry, i),
                  0);
        ASSERT_EQ(omfsReadClassID(file, entry, kOmfProperty_CLSD_Class, classID), 0);
        if (std::string(classID, 4) != "CMOB") continue;
        sawCompositionMob = true;
        omfObject_t parent = nullptr;
        ASSERT_EQ(omfsReadObjRef(file, entry, kOmfProperty_CLSD_ParentClass, &parent), 0);
        ASSERT_EQ(omfsReadClassID(file, parent, kOmfProperty_CLSD_Class, classID), 0);
        EXPECT_EQ(std::string(classID, 4), "MOBJ");
    }
    EXPECT_TRUE(sawCompositionMob);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

} // namespace
