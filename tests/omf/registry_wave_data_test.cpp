// The WAVE media data object in files of each revision: its mob ID and its
// sound bytes (Data in 1.x files, AudioData in 2.x files) named by code and
// by container name, written through the property calls and read back after
// the file is reopened.
#include "omf_fixture.h"

#include "container/cm_api.h"
#include "omf/internal/registry.h"
#include "omf/omf_registry.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace omf_test;

namespace {

struct WaveRevision {
    omfFileRev_t revision;
    omfProperty_t mobID;   // the data object's MobID: WAVE's own in 1.x, MDAT's in 2.x
    const char* mobIDName; // its container name
    const char* dataName;  // container name of code kOmfProperty_WAVE_AudioData
    omfType_t dataType;
};

class WaveData : public ToolkitTest, public ::testing::WithParamInterface<WaveRevision> {
  protected:
    static std::string nameOf(CMObject object) {
        const char* name = object != nullptr ? CMGetGlobalName(object) : nullptr;
        return name != nullptr ? name : "";
    }

    static std::string propertyName(omfHdl_t file, omfProperty_t code) {
        CMProperty object = nullptr;
        EXPECT_EQ(omfsPropertyObject(file, code, &object), 0) << omfsErrorTrace(file);
        return nameOf(object);
    }

    // The code the file's caches give the container property named `name`.
    static omfProperty_t codeOfName(omfHdl_t file, const char* name) {
        CMContainer container = nullptr;
        EXPECT_EQ(omfsGetContainer(file, &container), 0);
        CMObject object = CMGetGlobalNameObject(container, name);
        EXPECT_NE(object, nullptr) << name;
        omfProperty_t code = -1;
        omfBool found = false;
        EXPECT_EQ(omfsPropertyCode(file, object, &code, &found), 0);
        EXPECT_TRUE(found) << name;
        return code;
    }
};

TEST_P(WaveData, PropertiesAreFoundByNameAndCodeAndReadBackAfterReopening) {
    const WaveRevision& wave = GetParam();
    const bool is2x = wave.revision == kOmfRev2x;
    const omfUID_t id{42, 7, 3};
    std::vector<uint8_t> sound(300);
    for (size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<uint8_t>(i * 7 + 1);

    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("wave.omf").c_str(), session_, wave.revision, &file), 0);
    EXPECT_EQ(propertyName(file, wave.mobID), wave.mobIDName);
    EXPECT_EQ(propertyName(file, kOmfProperty_WAVE_AudioData), wave.dataName);
    omfObject_t data = nullptr;
    ASSERT_EQ(omfsObjectNew(file, "WAVE", &data), 0);
    ASSERT_EQ(omfsWriteUID(file, data, wave.mobID, id), 0) << omfsErrorTrace(file);
    ASSERT_EQ(omfsWriteDataBytes(file, data, kOmfProperty_WAVE_AudioData, wave.dataType, 0,
                                 static_cast<omfInt32>(sound.size()), sound.data()),
              0)
        << omfsErrorTrace(file);
    omfObject_t head = nullptr;
    ASSERT_EQ(omfsGetHeadObject(file, &head), 0);
    if (is2x) {
        ASSERT_EQ(omfsAppendObjRefArray(file, head, kOmfProperty_HEAD_MediaData, data), 0);
    } else {
        ASSERT_EQ(omfsAppendMobIndex(file, head, kOmfProperty_MediaData, id, data), 0);
    }
    ASSERT_EQ(omfsCloseOMFFile(file), 0);

    ASSERT_EQ(omfsOpenFileForRead(path("wave.omf").c_str(), session_, &file), 0);
    ASSERT_EQ(omfsGetHeadObject(file, &head), 0);
    data = nullptr;
    if (is2x) {
        ASSERT_EQ(omfsGetNthObjRefArray(file, head, kOmfProperty_HEAD_MediaData, &data, 1), 0);
    } else {
        omfUID_t listed{};
        ASSERT_EQ(omfsGetNthMobIndex(file, head, kOmfProperty_MediaData, 1, &listed, &data), 0);
        EXPECT_EQ(listed.minor, id.minor);
    }
    ASSERT_NE(data, nullptr);
    omfClassID_t classID;
    ASSERT_EQ(omfsReadClassOf(file, data, classID), 0);
    EXPECT_EQ(std::string(classID, 4), "WAVE");

    EXPECT_EQ(codeOfName(file, wave.mobIDName), wave.mobID);
    EXPECT_EQ(codeOfName(file, wave.dataName), kOmfProperty_WAVE_AudioData);

    omfUID_t readID{};
    ASSERT_EQ(omfsReadUID(file, data, wave.mobID, &readID), 0) << omfsErrorTrace(file);
    EXPECT_EQ(readID.prefix, id.prefix);
    EXPECT_EQ(readID.major, id.major);
    EXPECT_EQ(readID.minor, id.minor);
    EXPECT_TRUE(omfsPropertyPresent(file, data, kOmfProperty_WAVE_AudioData, wave.dataType));
    std::vector<uint8_t> read(sound.size() + 10);
    omfInt32 bytesRead = 0;
    // Asking for more than the value holds delivers all of it and reports 122.
    EXPECT_EQ(omfsReadDataBytes(file, data, kOmfProperty_WAVE_AudioData, wave.dataType, 0,
                                static_cast<omfInt32>(read.size()), read.data(), &bytesRead),
              122);
    ASSERT_EQ(bytesRead, static_cast<omfInt32>(sound.size()));
    read.resize(sound.size());
    EXPECT_EQ(read, sound);
    ASSERT_EQ(omfsCloseOMFFile(file), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Revisions, WaveData,
    ::testing::Values(WaveRevision{kOmfRev1x, kOmfProperty_WAVE_MobID, "OMFI:WAVE:MobID",
                                   "OMFI:WAVE:Data", kOmfType_VarLenBytes},
                      WaveRevision{kOmfRev2x, kOmfProperty_MDAT_MobID, "OMFI:MDAT:MobID",
                                   "OMFI:WAVE:AudioData", kOmfType_DataValue}),
    [](const auto& info) { return info.param.revision == kOmfRev2x ? "2x" : "1x"; });

} // namespace
