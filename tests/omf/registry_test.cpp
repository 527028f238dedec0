// The session's registry: the built-in tables, registration by callers, and
// the class hierarchy of each revision.
#include "registry_fixture.h"

#include <set>

namespace {

using registry_test::RegistryTest;

omfInt32 entries(const omf::TableHandle& table) {
    omfInt32 count = -1;
    EXPECT_EQ(omfsTableNumEntries(table.get(), &count), 0);
    return count;
}

TEST_F(RegistryTest, TheBuiltInTablesHoldEveryClassTypeAndPropertyOfEachRevision) {
    const omf::SessionRegistry& registry = *session_->registry;
    // 66 classes: 44 exist in 1.x files, 56 in 2.x files.
    EXPECT_EQ(entries(registry.classes[omf::kTables1x]), 44);
    EXPECT_EQ(entries(registry.classes[omf::kTables2x]), 56);
    std::set<std::string> classes;
    for (const auto& record : registry.classRecords)
        classes.insert(std::string(record->id, 4));
    EXPECT_EQ(classes.size(), 66u);
    // 55 type codes: 37 in 1.x, 47 in 2.x.
    EXPECT_EQ(entries(registry.types[omf::kTables1x]), 37);
    EXPECT_EQ(entries(registry.types[omf::kTables2x]), 47);
    // 245 property codes: 161 in 1.x, 158 in 2.x.
    EXPECT_EQ(entries(registry.properties[omf::kTables1x]), 161);
    EXPECT_EQ(entries(registry.properties[omf::kTables2x]), 158);
    EXPECT_EQ(registry.nextTypeCode, 57);
    EXPECT_EQ(registry.nextPropertyCode, 247);
}

TEST_F(RegistryTest, PropertiesOfTwoTypesAcceptBothAndOthersOne) {
    omfType_t types[2] = {-1, -1};
    int32_t count = 0;
    ASSERT_EQ(
        omf::propertyTypes(session_.get(), kOmfProperty_MDFL_Length, kOmfRev2x, types, &count), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::set<omfType_t>(types, types + 2),
              (std::set<omfType_t>{kOmfType_Length32, kOmfType_Length64}));
    ASSERT_EQ(
        omf::propertyTypes(session_.get(), kOmfProperty_MDFL_Length, kOmfRev1x, types, &count), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(types[0], kOmfType_Long);
    // A 2.x-only property is unknown to 1.x files.
    ASSERT_EQ(
        omf::propertyTypes(session_.get(), kOmfProperty_MSLT_Segment, kOmfRevIMA, types, &count),
        0);
    EXPECT_EQ(count, 0);
}

TEST_F(RegistryTest, AThirdAllowedTypeIsRefused) {
    omfProperty_t code = 0;
    EXPECT_EQ(omfsRegisterProperty(session_.get(), "Length", "MDFL", kOmfType_Int32,
                                   kOmfRevisions2x, &code),
              126);
    omfType_t types[2];
    int32_t count = 0;
    ASSERT_EQ(
        omf::propertyTypes(session_.get(), kOmfProperty_MDFL_Length, kOmfRev2x, types, &count), 0);
    EXPECT_EQ(count, 2);
    // A second type is accepted where there was one.
    ASSERT_EQ(omfsRegisterProperty(session_.get(), "Length", "MDFL", kOmfType_Int64,
                                   kOmfRevisions1x, &code),
              0);
    EXPECT_EQ(code, kOmfProperty_MDFL_Length);
    ASSERT_EQ(omf::propertyTypes(session_.get(), code, kOmfRev1x, types, &count), 0);
    EXPECT_EQ(count, 2);
}

TEST_F(RegistryTest, CallersGetTypeCodesFrom57AndPropertyCodesFrom247) {
    omfType_t first = 0, second = 0, again = 0;
    ASSERT_EQ(omfsRegisterType(session_.get(), "MyCounter", kOmfRevisionsBoth, &first), 0);
    ASSERT_EQ(omfsRegisterType(session_.get(), "omfi:MyFlags", kOmfRevisions2x, &second), 0);
    ASSERT_EQ(omfsRegisterType(session_.get(), "MyCounter", kOmfRevisionsBoth, &again), 0);
    EXPECT_EQ(first, 57);
    EXPECT_EQ(second, 58);
    EXPECT_EQ(again, first);
    const omf::TypeRecord* flags = session_->registry->findType(omf::kTables2x, second);
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(flags->containerName, "omfi:MyFlags");
    EXPECT_EQ(flags->flag, omf::kTypeMovedAsBytes);
    EXPECT_EQ(session_->registry->findType(omf::kTables1x, second), nullptr);

    omfProperty_t property = 0, other = 0;
    ASSERT_EQ(
        omfsRegisterProperty(session_.get(), "Count", "MOBJ", first, kOmfRevisionsBoth, &property),
        0);
    ASSERT_EQ(omfsRegisterProperty(session_.get(), "Note", nullptr, kOmfType_String,
                                   kOmfRevisions1x, &other),
              0);
    EXPECT_EQ(property, 247);
    EXPECT_EQ(other, 248);
    const omf::PropertyRecord* count = session_->registry->findProperty(omf::kTables1x, property);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->containerName, "OMFI:MOBJ:Count");
    EXPECT_TRUE(count->optional);
    EXPECT_EQ(session_->registry->findProperty(omf::kTables1x, other)->containerName, "OMFI:Note");
}

TEST_F(RegistryTest, RegistrationRefusesBadSessionsNullArgumentsAndUnknownTypes) {
    omfType_t type = 0;
    omfProperty_t property = 0;
    EXPECT_EQ(omfsRegisterType(nullptr, "X", kOmfRevisionsBoth, &type), 11);
    EXPECT_EQ(omfsRegisterType(session_.get(), nullptr, kOmfRevisionsBoth, &type), 177);
    EXPECT_EQ(omfsRegisterType(session_.get(), "X", kOmfRevisionsBoth, nullptr), 177);
    // Length32 exists only in 2.x files.
    EXPECT_EQ(omfsRegisterProperty(session_.get(), "Span", "MOBJ", kOmfType_Length32,
                                   kOmfRevisionsBoth, &property),
              120);
    EXPECT_EQ(session_->registry->findPropertyName("OMFI:MOBJ:Span"), nullptr);
    // A built-in type name cannot take another code.
    EXPECT_EQ(omf::registerType(session_.get(), 70, "Int32", kOmfRevisions2x, 0, 0), 207);
    // Nor a built-in code another name.
    EXPECT_EQ(omf::registerType(session_.get(), kOmfType_Int32, "Int32x", kOmfRevisions2x, 0, 0),
              207);
}

TEST_F(RegistryTest, RevisionSpecificNamesOfOneCode) {
    const omf::SessionRegistry& registry = *session_->registry;
    EXPECT_EQ(registry.findProperty(omf::kTables1x, kOmfProperty_HEAD_Version)->containerName,
              "OMFI:Version");
    EXPECT_EQ(registry.findProperty(omf::kTables2x, kOmfProperty_HEAD_Version)->containerName,
              "OMFI:HEAD:Version");
    EXPECT_TRUE(registry.findProperty(omf::kTables1x, kOmfProperty_HEAD_Version)->optional);
    EXPECT_FALSE(registry.findProperty(omf::kTables2x, kOmfProperty_HEAD_Version)->optional);
    // The WAVE data object's MobID is its own in 1.x files only; its sound
    // is Data of VarLenBytes in 1.x files and AudioData of DataValue in 2.x.
    EXPECT_EQ(registry.findProperty(omf::kTables1x, kOmfProperty_WAVE_MobID)->containerName,
              "OMFI:WAVE:MobID");
    EXPECT_EQ(registry.findProperty(omf::kTables2x, kOmfProperty_WAVE_MobID), nullptr);
    const omf::PropertyRecord* sound1x =
        registry.findProperty(omf::kTables1x, kOmfProperty_WAVE_AudioData);
    const omf::PropertyRecord* sound2x =
        registry.findProperty(omf::kTables2x, kOmfProperty_WAVE_AudioData);
    ASSERT_TRUE(sound1x != nullptr && sound2x != nullptr);
    EXPECT_EQ(sound1x->containerName, "OMFI:WAVE:Data");
    EXPECT_EQ(sound2x->containerName, "OMFI:WAVE:AudioData");
    EXPECT_TRUE(sound1x->allows(kOmfType_VarLenBytes) && sound1x->typeCount == 1);
    EXPECT_TRUE(sound2x->allows(kOmfType_DataValue) && sound2x->typeCount == 1);
    EXPECT_FALSE(sound1x->optional || sound2x->optional);
    EXPECT_EQ(registry.findType(omf::kTables1x, kOmfType_Int32)->containerName, "omfi:Long");
    EXPECT_EQ(registry.findType(omf::kTables2x, kOmfType_Int32)->containerName, "omfi:Int32");
    EXPECT_EQ(registry.findTypeName("omfi:Long")->code, kOmfType_Int32);
}

TEST_F(RegistryTest, TypeFlagsAndEnumerationSizes) {
    const omf::SessionRegistry& registry = *session_->registry;
    EXPECT_EQ(registry.findType(omf::kTables2x, kOmfType_Int32)->flag, omf::kTypeSwapped);
    EXPECT_EQ(registry.findType(omf::kTables2x, kOmfType_String)->flag, omf::kTypeMovedAsBytes);
    EXPECT_EQ(registry.findType(omf::kTables1x, kOmfType_MobIndex)->flag, omf::kTypeMovedAsBytes);
    EXPECT_EQ(registry.findType(omf::kTables1x, kOmfType_TrackType)->enumerationSize, 2);
    EXPECT_EQ(registry.findType(omf::kTables2x, kOmfType_FadeType)->enumerationSize, 2);
    EXPECT_EQ(registry.findType(omf::kTables2x, kOmfType_LayoutType)->enumerationSize, 4);
    EXPECT_EQ(registry.findType(omf::kTables2x, kOmfType_Int32)->enumerationSize, 0);
}

class ClassHierarchyTest : public RegistryTest {
  protected:
    void SetUp() override {
        RegistryTest::SetUp();
        file1x_ = newRecord(kOmfRev1x, omf::FileMode::read);
        file2x_ = newRecord(kOmfRev2x, omf::FileMode::read);
    }
    std::unique_ptr<omfFileRec> file1x_, file2x_;
};

TEST_F(ClassHierarchyTest, DescentFollowsTheParentsOfTheFilesRevision) {
    omfHdl_t v1 = file1x_.get();
    omfHdl_t v2 = file2x_.get();
    EXPECT_TRUE(omf::classIsA(v1, "SPED", "WARP"));
    EXPECT_TRUE(omf::classIsA(v1, "SPED", "CPNT"));
    EXPECT_TRUE(omf::classIsA(v1, "MOBJ", "TRKG"));
    EXPECT_FALSE(omf::classIsA(v1, "SEQU", "SEGM"));
    EXPECT_FALSE(omf::classIsA(v1, "HEAD", "CPNT"));
    EXPECT_TRUE(omf::classIsA(v1, "JPEG", "MDAT"));
    EXPECT_FALSE(omf::classIsA(v1, "MDAT", "OOBJ"));

    EXPECT_TRUE(omf::classIsA(v2, "SEQU", "SEGM"));
    EXPECT_TRUE(omf::classIsA(v2, "SEQU", "OOBJ"));
    EXPECT_TRUE(omf::classIsA(v2, "CMOB", "MOBJ"));
    EXPECT_FALSE(omf::classIsA(v2, "MOBJ", "TRKG"));
    EXPECT_TRUE(omf::classIsA(v2, "WINL", "LOCR"));
    EXPECT_TRUE(omf::classIsA(v2, "CDCI", "MDES"));
    EXPECT_FALSE(omf::classIsA(v2, "MDES", "CDCI"));
    EXPECT_TRUE(omf::classIsA(v2, "ZZZZ", "ZZZZ"));
    EXPECT_FALSE(omf::classIsA(v2, "ZZZZ", "OOBJ"));
}

TEST_F(ClassHierarchyTest, ParentsOfRootsAndOtherClasses) {
    omfClassID_t parent;
    bool found = true;
    ASSERT_EQ(omf::classParent(file1x_.get(), "HEAD", parent, &found), 0);
    EXPECT_FALSE(found);
    ASSERT_EQ(omf::classParent(file2x_.get(), "HEAD", parent, &found), 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::string(parent, 4), "OOBJ");
    ASSERT_EQ(omf::classParent(file1x_.get(), "TRAN", parent, &found), 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::string(parent, 4), "TRKG");
    EXPECT_EQ(omf::classParent(nullptr, "TRAN", parent, &found), 20);
}

TEST_F(ClassHierarchyTest, LearnedClassesJoinOnlyTheirRevisionAndKeepKnownOnes) {
    ASSERT_EQ(omf::registerFileClass(file2x_.get(), "JPED", "CDCI"), 0);
    EXPECT_TRUE(omf::classIsA(file2x_.get(), "JPED", "DIDD"));
    EXPECT_FALSE(omf::classIsA(file1x_.get(), "JPED", "DIDD"));
    const omf::ClassRecord* learned = session_->registry->findClass(omf::kTables2x, "JPED");
    ASSERT_NE(learned, nullptr);
    EXPECT_EQ(learned->flag, omf::kClassFlagLearned);

    // A known class keeps its parent.
    ASSERT_EQ(omf::registerFileClass(file2x_.get(), "SEQU", "MOBJ"), 0);
    EXPECT_FALSE(omf::classIsA(file2x_.get(), "SEQU", "MOBJ"));
    // A class without a parent is a root.
    ASSERT_EQ(omf::registerFileClass(file1x_.get(), "XTRA", nullptr), 0);
    omfClassID_t parent;
    bool found = true;
    ASSERT_EQ(omf::classParent(file1x_.get(), "XTRA", parent, &found), 0);
    EXPECT_FALSE(found);
}

TEST_F(ClassHierarchyTest, CallersRegisterClassesInTheRevisionsTheyName) {
    ASSERT_EQ(omfsRegisterClass(session_.get(), "XDAT", "MDAT", kOmfRevisions1x), 0);
    EXPECT_TRUE(omf::classIsA(file1x_.get(), "XDAT", "MDAT"));
    EXPECT_FALSE(omf::classIsA(file2x_.get(), "XDAT", "MDAT"));
    const omf::ClassRecord* added = session_->registry->findClass(omf::kTables1x, "XDAT");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->flag, 0);
    // A known class keeps its parent.
    ASSERT_EQ(omfsRegisterClass(session_.get(), "SEQU", "MOBJ", kOmfRevisionsBoth), 0);
    EXPECT_FALSE(omf::classIsA(file2x_.get(), "SEQU", "MOBJ"));

    EXPECT_EQ(omfsRegisterClass(nullptr, "XTRA", nullptr, kOmfRevisionsBoth), OM_ERR_BAD_SESSION);
    EXPECT_EQ(omfsRegisterClass(session_.get(), nullptr, nullptr, kOmfRevisionsBoth),
              OM_ERR_NULL_PARAM);
    EXPECT_EQ(omfsRegisterClass(session_.get(), "XTRA", nullptr, omfRevisionSet_t(7)),
              OM_ERR_NULL_PARAM);
    EXPECT_EQ(session_->registry->findClass(omf::kTables2x, "XTRA"), nullptr);
}

TEST_F(ClassHierarchyTest, ALoopOfLearnedParentsEndsTheDescentTest) {
    ASSERT_EQ(omf::registerFileClass(file2x_.get(), "AAAA", "BBBB"), 0);
    ASSERT_EQ(omf::registerFileClass(file2x_.get(), "BBBB", "AAAA"), 0);
    EXPECT_TRUE(omf::classIsA(file2x_.get(), "AAAA", "BBBB"));
    EXPECT_FALSE(omf::classIsA(file2x_.get(), "AAAA", "OOBJ"));
}

} // namespace
