#include "media_search_path.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "omf/omf_access.h"
#include "omf/omf_media.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"
#include "tarsel/system/media_search.h"

namespace omftool {

namespace {

constexpr omfInt32 kLocatorPathSize = 1024; // locator paths are read up to this size

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

std::vector<std::string> mediaSearchFolders(const std::vector<std::string>& given,
                                            std::ostream& err) {
    std::vector<std::string> folders;
    for (const std::string& folder : given) {
        if (isFolder(folder)) {
            folders.push_back(folder);
        } else {
            err << "omftool: --media-path " << folder << " is not a folder; it is not searched\n";
        }
    }
    if (const char* variable = std::getenv(kMediaPathVariable)) {
        for (std::string& folder : SplitSearchPath(variable))
            if (isFolder(folder)) folders.push_back(std::move(folder));
    }
    return folders;
}

void shareMediaSearchFolders(const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& folder : folders)
        text += (text.empty() ? "" : ":") + folder;
    ::setenv(kMediaPathVariable, text.c_str(), 1);
}

omfHdl_t openMovedMedia(omfHdl_t file, omfObject_t descriptor) {
    omfSessionHdl_t session = nullptr;
    if (omfsGetSession(file, &session) != 0) return nullptr;
    const char* variable = std::getenv(kMediaPathVariable);
    const std::vector<std::string> folders = SplitSearchPath(variable ? variable : "");
    omfBool isOMFI = true;
    if (omfsPropertyPresent(file, descriptor, kOmfProperty_MDFL_IsOMFI, kOmfType_Boolean))
        omfsReadBoolean(file, descriptor, kOmfProperty_MDFL_IsOMFI, &isOMFI);
    const omfInt32 locators = omfsLengthObjRefArray(file, descriptor, kOmfProperty_MDES_Locator);
    for (omfInt32 i = 1; i <= locators; ++i) {
        omfObject_t locator = nullptr;
        char type[4] = {};
        std::string path(kLocatorPathSize + 1, '\0');
        if (omfsGetNthObjRefArray(file, descriptor, kOmfProperty_MDES_Locator, &locator, i) != 0 ||
            omfmReadLocator(file, locator, type, kLocatorPathSize, path.data()) != 0) {
            continue;
        }
        path.resize(path.find('\0'));
        const std::string found = FindMediaFile(path, folders);
        if (found.empty()) continue;
        omfHdl_t opened = nullptr;
        const omfErr_t status = isOMFI ? omfsOpenFileForRead(found.c_str(), session, &opened)
                                       : omfsOpenRawFile(found.c_str(), session, &opened);
        if (status == 0 && opened != nullptr) return opened;
    }
    return nullptr;
}

} // namespace omftool
