// A file's registry caches: codes resolved to the container names of the
// file's revision, both directions, the caches filled at open and create,
// definitions learned from files, and definitions entered into open files.
#include "registry_fixture.h"

#include <cstring>

namespace {

using registry_test::RegistryTest;

class FileCacheTest : public RegistryTest {};

TEST_F(FileCacheTest, LengthOfMDFLNamesOneContainerPropertyWithRevisionTypes) {
    omfHdl_t v2 = createFile("v2.omf", kOmfRev2x);
    omfHdl_t v1 = createFile("v1.omf", kOmfRev1x);
    EXPECT_EQ(propertyName(v2, kOmfProperty_MDFL_Length), "OMFI:MDFL:Length");
    EXPECT_EQ(propertyName(v1, kOmfProperty_MDFL_Length), "OMFI:MDFL:Length");

    const omf::PropertyRecord* record2 = omf::filePropertyRecord(v2, kOmfProperty_MDFL_Length);
    ASSERT_NE(record2, nullptr);
    ASSERT_EQ(record2->typeCount, 2);
    EXPECT_EQ(typeName(v2, record2->types[0]), "omfi:Length32");
    EXPECT_EQ(typeName(v2, record2->types[1]), "omfi:Length64");
    const omf::PropertyRecord* record1 = omf::filePropertyRecord(v1, kOmfProperty_MDFL_Length);
    ASSERT_NE(record1, nullptr);
    ASSERT_EQ(record1->typeCount, 1);
    EXPECT_EQ(typeName(v1, record1->types[0]), "omfi:Long");
}

TEST_F(FileCacheTest, VersionAndTIFFDataTakeTheNamesOfTheFilesRevision) {
    omfHdl_t v2 = createFile("v2.omf", kOmfRev2x);
    omfHdl_t v1 = createFile("v1.omf", kOmfRev1x);
    omfHdl_t ima = createFile("ima.omf", kOmfRevIMA);
    EXPECT_EQ(propertyName(v1, kOmfProperty_HEAD_Version), "OMFI:Version");
    EXPECT_EQ(propertyName(ima, kOmfProperty_HEAD_Version), "OMFI:Version");
    EXPECT_EQ(propertyName(v2, kOmfProperty_HEAD_Version), "OMFI:HEAD:Version");

    EXPECT_EQ(propertyName(v1, kOmfProperty_TIFF_ImageData), "OMFI:TIFF:Data");
    EXPECT_EQ(propertyName(v2, kOmfProperty_TIFF_ImageData), "OMFI:TIFF:ImageData");
    const omf::PropertyRecord* data1 = omf::filePropertyRecord(v1, kOmfProperty_TIFF_ImageData);
    const omf::PropertyRecord* data2 = omf::filePropertyRecord(v2, kOmfProperty_TIFF_ImageData);
    ASSERT_TRUE(data1 != nullptr && data2 != nullptr);
    ASSERT_EQ(data1->typeCount, 1);
    ASSERT_EQ(data2->typeCount, 1);
    EXPECT_EQ(typeName(v1, data1->types[0]), "omfi:VarLenBytes");
    EXPECT_EQ(typeName(v2, data2->types[0]), "omfi:DataValue");
}

TEST_F(FileCacheTest, UnknownCodesAnswerNoObjectAndTypesStayInTheirRevision) {
    omfHdl_t v2 = createFile("v2.omf", kOmfRev2x);
    omfHdl_t v1 = createFile("v1.omf", kOmfRev1x);
    CMObject object = reinterpret_cast<CMObject>(1);
    ASSERT_EQ(omfsPropertyObject(v2, 224, &object), 0); // a gap in the codes
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<CMObject>(1);
    ASSERT_EQ(omfsTypeObject(v2, kOmfType_ObjectTag, &object), 0); // 1.x only
    EXPECT_EQ(object, nullptr);
    // 2.x files fall back to 1.x properties; 1.x files do not see 2.x ones.
    EXPECT_EQ(propertyName(v2, kOmfProperty_TRAK_LabelNumber), "OMFI:TRAK:LabelNumber");
    EXPECT_EQ(propertyName(v1, kOmfProperty_MSLT_Segment), "");

    int32_t flag = -1;
    ASSERT_EQ(omf::typeFlag(v1, kOmfType_String, &flag), 0);
    EXPECT_EQ(flag, omf::kTypeMovedAsBytes);
    ASSERT_EQ(omf::typeFlag(v1, kOmfType_Short, &flag), 0);
    EXPECT_EQ(flag, omf::kTypeSwapped);
    EXPECT_EQ(omf::typeFlag(v1, kOmfType_Length32, &flag), 120);
}

TEST_F(FileCacheTest, ReverseCachesGiveTheCodeOfADefinition) {
    omfHdl_t file = createFile("v2.omf", kOmfRev2x);
    CMProperty mobID = nullptr;
    CMType uid = nullptr;
    ASSERT_EQ(omfsPropertyObject(file, kOmfProperty_MOBJ_MobID, &mobID), 0);
    ASSERT_EQ(omfsTypeObject(file, kOmfType_UID, &uid), 0);
    omfProperty_t property = 0;
    omfType_t type = 0;
    omfBool found = false;
    ASSERT_EQ(omfsPropertyCode(file, mobID, &property, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(property, kOmfProperty_MOBJ_MobID);
    ASSERT_EQ(omfsTypeCode(file, uid, &type, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(type, kOmfType_UID);
    // A definition the registry did not make has no code.
    CMProperty foreign = CMDefinePropertyName(file->container, "Someone:Else");
    ASSERT_EQ(omfsPropertyCode(file, foreign, &property, &found), 0);
    EXPECT_FALSE(found);
    // Asking twice gives the cached object.
    CMProperty again = nullptr;
    ASSERT_EQ(omfsPropertyObject(file, kOmfProperty_MOBJ_MobID, &again), 0);
    EXPECT_EQ(again, mobID);
}

TEST_F(FileCacheTest, AChangedRevisionEmptiesTheCaches) {
    omfHdl_t file = createFile("any.omf", kOmfRev2x);
    EXPECT_EQ(propertyName(file, kOmfProperty_HEAD_Version), "OMFI:HEAD:Version");
    file->revision = kOmfRev1x;
    EXPECT_EQ(propertyName(file, kOmfProperty_HEAD_Version), "OMFI:Version");
    CMProperty headVersion = CMGetGlobalNameObject(file->container, "OMFI:HEAD:Version");
    omfProperty_t code = 0;
    omfBool found = true;
    ASSERT_EQ(omfsPropertyCode(file, headVersion, &code, &found), 0);
    EXPECT_FALSE(found);
}

TEST_F(FileCacheTest, BuildingDefinesEveryPropertyAndTypeInCodeOrder) {
    omfHdl_t file = createFile("v2.omf", kOmfRev2x);
    ASSERT_EQ(omfsBuildFileRegistry(file), 0) << omfsErrorTrace(file);
    const omf::SessionRegistry& registry = *session_->registry;

    omfTableIterate_t iterator;
    omfBool more = false;
    CMObjectID previousID = 0;
    int properties = 0;
    ASSERT_EQ(omfsTableFirstEntry(registry.properties[omf::kTables2x].get(), &iterator, &more), 0);
    while (more) {
        const auto* record = static_cast<const omf::PropertyRecord*>(iterator.value);
        CMObject object = CMGetGlobalNameObject(file->container, record->containerName.c_str());
        ASSERT_NE(object, nullptr) << record->containerName;
        omfProperty_t code = -1;
        omfBool found = false;
        ASSERT_EQ(omfsPropertyCode(file, object, &code, &found), 0);
        EXPECT_TRUE(found);
        EXPECT_EQ(code, record->code);
        // Built-in codes lie below the bucket count: definitions follow code order.
        EXPECT_GT(CMGetObjectID(object), previousID) << record->containerName;
        previousID = CMGetObjectID(object);
        ++properties;
        ASSERT_EQ(omfsTableNextEntry(&iterator, &more), 0);
    }
    EXPECT_EQ(properties, 158);
    for (omfType_t code : {kOmfType_Int32, kOmfType_Length64, kOmfType_ClassID}) {
        CMObject object = CMGetGlobalNameObject(
            file->container, registry.findType(omf::kTables2x, code)->containerName.c_str());
        ASSERT_NE(object, nullptr);
        omfType_t found = -1;
        omfBool known = false;
        ASSERT_EQ(omfsTypeCode(file, object, &found, &known), 0);
        EXPECT_EQ(found, code);
    }
    EXPECT_EQ(CMGetGlobalNameObject(file->container, "omfi:Long"), nullptr);

    const omf::FileRegistry& caches = *file->registry;
    EXPECT_EQ(nameOf(caches.objClassProperty), "OMFI:OOBJ:ObjClass");
    EXPECT_EQ(nameOf(caches.objIDProperty), "OMFI:ObjID");
    EXPECT_EQ(nameOf(caches.classIDType), "omfi:ClassID");
    EXPECT_EQ(caches.objectTagType, nullptr);
    EXPECT_EQ(caches.byteOrderProperty, nullptr);
    EXPECT_EQ(caches.shortType, nullptr);
}

TEST_F(FileCacheTest, BuildingA1xFileCachesItsClassAndByteOrderDefinitions) {
    omfHdl_t file = createFile("v1.omf", kOmfRev1x);
    ASSERT_EQ(omfsBuildFileRegistry(file), 0) << omfsErrorTrace(file);
    const omf::FileRegistry& caches = *file->registry;
    EXPECT_EQ(nameOf(caches.objIDProperty), "OMFI:ObjID");
    EXPECT_EQ(nameOf(caches.byteOrderProperty), "OMFI:ByteOrder");
    EXPECT_EQ(nameOf(caches.objectTagType), "omfi:ObjectTag");
    EXPECT_EQ(nameOf(caches.shortType), "omfi:Short");
    EXPECT_EQ(caches.objClassProperty, nullptr);
    EXPECT_EQ(caches.classIDType, nullptr);
    EXPECT_NE(CMGetGlobalNameObject(file->container, "omfi:Long"), nullptr);
    EXPECT_EQ(CMGetGlobalNameObject(file->container, "omfi:Int32"), nullptr);
}

TEST_F(FileCacheTest, AFileOpenedForReadingIsSearchedButNotExtended) {
    omfHdl_t writer = createFile("read.omf", kOmfRev2x);
    CMProperty mobID = nullptr;
    ASSERT_EQ(omfsPropertyObject(writer, kOmfProperty_MOBJ_MobID, &mobID), 0);
    CMType uid = nullptr;
    ASSERT_EQ(omfsTypeObject(writer, kOmfType_UID, &uid), 0);
    CMObject object = CMNewObject(writer->container);
    CMValue value = CMNewValue(object, mobID, uid);
    const unsigned char bytes[12] = {1};
    ASSERT_EQ(CMWriteValueData(value, bytes, 0, sizeof bytes), sizeof bytes);
    closeFile(writer);

    omfHdl_t reader = openFile("read.omf", kOmfRev2x);
    EXPECT_EQ(propertyName(reader, kOmfProperty_MOBJ_MobID), "OMFI:MOBJ:MobID");
    EXPECT_EQ(propertyName(reader, kOmfProperty_MOBJ_Name), "");
    ASSERT_EQ(omfsBuildFileRegistry(reader), 0) << omfsErrorTrace(reader);
    EXPECT_FALSE(reader->bentoError.pending) << reader->bentoError.text;
    EXPECT_EQ(CMGetGlobalNameObject(reader->container, "OMFI:MOBJ:Name"), nullptr);
}

TEST_F(FileCacheTest, AContainerErrorWhileDefiningIsError205) {
    omfHdl_t file = createFile("clash.omf", kOmfRev2x);
    // The type's name is already taken by a property.
    ASSERT_NE(CMDefinePropertyName(file->container, "omfi:Int32"), nullptr);
    CMType type = nullptr;
    EXPECT_EQ(omfsTypeObject(file, kOmfType_Int32, &type), 205);
    EXPECT_NE(std::strstr(omfsErrorTrace(file), "Error Raised <205>"), nullptr)
        << omfsErrorTrace(file);
    omf::clearBentoError(file, nullptr);
}

TEST_F(FileCacheTest, BadFilesAndNullArgumentsAreRefused) {
    CMProperty object = nullptr;
    EXPECT_EQ(omfsPropertyObject(nullptr, 1, &object), 20);
    omfHdl_t file = createFile("null.omf", kOmfRev2x);
    EXPECT_EQ(omfsPropertyObject(file, 1, nullptr), 177);
    auto raw = newRecord(kOmfRev1x, omf::FileMode::read);
    raw->rawFile = true;
    EXPECT_EQ(omfsPropertyObject(raw.get(), 1, &object), 25);
    EXPECT_EQ(omfsBuildFileRegistry(raw.get()), 25);
}

TEST_F(FileCacheTest, DefinitionsOnlyTheFileKnowsBecomeNewCodes) {
    omfHdl_t writer = createFile("extra.omf", kOmfRev1x);
    ASSERT_NE(CMDefineTypeName(writer->container, "omfi:Fraction"), nullptr);
    ASSERT_NE(CMDefinePropertyName(writer->container, "OMFI:XTRA:Ratio"), nullptr);
    ASSERT_NE(CMDefinePropertyName(writer->container, "OMFI:MOBJ:MobID"), nullptr); // known
    ASSERT_NE(CMDefinePropertyName(writer->container, "Other:Thing"), nullptr);     // not OMFI
    closeFile(writer);

    omfHdl_t reader = openFile("extra.omf", kOmfRev1x, true);
    ASSERT_EQ(omf::registerFileDefinitions(reader), 0) << omfsErrorTrace(reader);
    const omf::SessionRegistry& registry = *session_->registry;
    const omf::TypeRecord* fraction = registry.findTypeName("omfi:Fraction");
    ASSERT_NE(fraction, nullptr);
    EXPECT_EQ(fraction->code, 57);
    EXPECT_EQ(fraction->name, "Fraction");
    EXPECT_EQ(fraction->flag, omf::kTypeMovedAsBytes);
    EXPECT_EQ(registry.findType(omf::kTables2x, 57), nullptr);
    const omf::PropertyRecord* ratio = registry.findPropertyName("OMFI:XTRA:Ratio");
    ASSERT_NE(ratio, nullptr);
    EXPECT_EQ(ratio->code, 247);
    EXPECT_EQ(registry.findPropertyName("OMFI:MOBJ:MobID")->code, kOmfProperty_MOBJ_MobID);
    EXPECT_EQ(registry.findPropertyName("OMFI:Other:Thing"), nullptr);
    EXPECT_EQ(registry.nextPropertyCode, 248);

    omfProperty_t code = 0;
    omfBool found = false;
    CMProperty object = CMGetGlobalNameObject(reader->container, "OMFI:XTRA:Ratio");
    ASSERT_EQ(omfsPropertyCode(reader, object, &code, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(code, 247);

    // Reading the same file again learns nothing new.
    ASSERT_EQ(omf::registerFileDefinitions(reader), 0);
    EXPECT_EQ(registry.nextTypeCode, 58);
    EXPECT_EQ(registry.nextPropertyCode, 248);
}

TEST_F(FileCacheTest, RegisteredDefinitionsEnterTheFilesAlreadyOpen) {
    omfHdl_t v2 = createFile("open2.omf", kOmfRev2x, true);
    omfHdl_t v1 = createFile("open1.omf", kOmfRev1x, true);
    ASSERT_EQ(omfsBuildFileRegistry(v2), 0);
    ASSERT_EQ(omfsBuildFileRegistry(v1), 0);

    omfType_t type = 0;
    omfProperty_t property = 0;
    ASSERT_EQ(omfsRegisterType(session_.get(), "Gain", kOmfRevisions2x, &type), 0);
    ASSERT_EQ(
        omfsRegisterProperty(session_.get(), "Gain", "CVAL", type, kOmfRevisions2x, &property), 0);
    CMObject gainType = CMGetGlobalNameObject(v2->container, "omfi:Gain");
    CMObject gain = CMGetGlobalNameObject(v2->container, "OMFI:CVAL:Gain");
    ASSERT_NE(gainType, nullptr);
    ASSERT_NE(gain, nullptr);
    omfProperty_t code = 0;
    omfBool found = false;
    ASSERT_EQ(omfsPropertyCode(v2, gain, &code, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(code, property);
    omfType_t typeCode = 0;
    ASSERT_EQ(omfsTypeCode(v2, gainType, &typeCode, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(typeCode, type);
    // The 1.x file does not use 2.x definitions.
    EXPECT_EQ(CMGetGlobalNameObject(v1->container, "OMFI:CVAL:Gain"), nullptr);
    EXPECT_EQ(CMGetGlobalNameObject(v1->container, "omfi:Gain"), nullptr);
}

} // namespace
