// What runs when a host loads the plug-in: the OMFFormat class is registered with the host's
// class registry, with its class-init, class-cleanup and factory callbacks.
#include <algorithm>
#include <cstring>
#include <string>

#include "class_state.h"
#include "codec_catalogue.h"
#include "error_report.h"
#include "media_session.h"
#include "omf_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/registry.h"

namespace omfplugin {

namespace {

constexpr const char* kClassName = "OMFFormat";
constexpr const char* kBuildText = "Built: Sep 11 2015";
constexpr int64_t kClassVersion = 0x180000;
// Registered for the host's flow import; nothing in the plug-in reads it.
constexpr const char* kFlowFormatPreference = "Comp.Import.OMF.FlowFormat";

bool InitClass(Registry* registry) {
    MediaSession session = StartMediaSession();
    if (session.StartError == 0 && session.MediaError == 0) {
        ObjectLock lock(TheClass().CodecList);
        BuildCodecCatalogue(session.Session, TheClass().CodecList);
    }
    const bool started = session.StartError == 0 && session.MediaError == 0;
    FinishMediaSession(session);
    return started && Object::RegInit(registry);
}

void CleanupClass(Registry*) {
    ClearCodecCatalogue();
}

Object* MakeFormat(Registry* registry, const ScriptVal& table, const TagList& tags) {
    return new OMFFormat(registry, table, tags);
}

struct Registration {
    TsID ClassID;
    ScriptInfo FormatInfo;
    Registry Format;

    Registration() : ClassID(kClassName), FormatInfo(1, kClassName, "ImageFormat", "") {
        TheClass(); // ToolkitLock and the codec catalogue exist before any callback runs
        TagList tags;
        tags.AddPtr(REG_ClassCleanup, RegFunction(&CleanupClass));
        tags.AddPtr(REG_ClassInit, RegFunction(&InitClass));
        tags.Add(REG_Version, kClassVersion);
        tags.Add(REG_BuildText, kBuildText);
        tags.Add(REG_Parent, CLSID_ImageFormat);
        tags.AddPtr(REG_ScriptInfo, &FormatInfo);
        tags.AddPtr(REG_Factory, RegFunction(&MakeFormat));
        tags.Add(MFREG_Extension, ".omf");
        tags.Add(MFREG_Extension, ".omfi");
        tags.Add(MFREG_FormatName, "OMF Interchange Files");
        tags.Add(MFREG_Priority, 0);
        for (Tag capability :
             {MFREG_CanLoad, MFREG_CanLoadImages, MFREG_CanLoadFields, MFREG_CanSave,
              MFREG_CanSaveImages, MFREG_CanSaveFields, MFREG_WantsIOLock}) {
            tags.Add(capability, 1);
        }
        Format._Init(ClassRegistry, ClassID, tags);
        DefPrefInt(kFlowFormatPreference, 0);
    }
} TheRegistration;

} // namespace

} // namespace omfplugin

// The saver's codec catalogue as text, one codec a line: ID, name and its varieties, separated
// by tabs. Copies at most `size` bytes (terminated) into `buffer` and answers the full length.
extern "C" __attribute__((visibility("default"))) size_t OMFCodecCatalogueText(char* buffer,
                                                                               size_t size) {
    using namespace omfplugin;
    std::string text;
    List& catalogue = TheClass().CodecList;
    catalogue.ForEach([&](std::size_t, const List::Node& node) {
        const auto* codec = static_cast<const CodecEntry*>(node.Item);
        text += std::string(codec->ID) + "\t" + codec->Name;
        codec->Varieties.ForEach([&](std::size_t, const List::Node& variety) {
            text += std::string("\t") + static_cast<const CodecEntry*>(variety.Item)->Name;
            return true;
        });
        text += "\n";
        return true;
    });
    if (buffer && size > 0) {
        const size_t copied = std::min(size - 1, text.size());
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
    }
    return text.size();
}
