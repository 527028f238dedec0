// Types, properties and classes registered by callers: a name the session already
// knows keeps its code, a new one takes the next free code.
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"

#include <new>
#include <string>

namespace {

bool validRevisions(omfRevisionSet_t revisions) {
    return revisions == kOmfRevisions1x || revisions == kOmfRevisions2x ||
           revisions == kOmfRevisionsBoth;
}

} // namespace

extern "C" {

omfErr_t omfsRegisterType(omfSessionHdl_t session, const char* name, omfRevisionSet_t revisions,
                          omfType_t* code) try {
    if (!omf::validSession(session) || !session->registry) OMF_RAISE(nullptr, OM_ERR_BAD_SESSION);
    if (name == nullptr || code == nullptr || !validRevisions(revisions)) {
        OMF_RAISE(nullptr, OM_ERR_NULL_PARAM);
    }
    omf::SessionRegistry& registry = *session->registry;
    const omf::TypeRecord* known = registry.findTypeName(omf::typeContainerName(name).c_str());
    // A new name takes the next code even when entering it into an open file
    // fails afterwards: the code may already be in the tables.
    omfType_t chosen = known != nullptr ? known->code : registry.nextTypeCode++;
    OMF_CHECK(nullptr,
              omf::registerType(session, chosen, name, revisions, omf::kTypeMovedAsBytes, 0));
    *code = chosen;
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(nullptr, OM_ERR_NO_MEMORY);
}

omfErr_t omfsRegisterProperty(omfSessionHdl_t session, const char* name, const char* classID,
                              omfType_t type, omfRevisionSet_t revisions, omfProperty_t* code) try {
    if (!omf::validSession(session) || !session->registry) OMF_RAISE(nullptr, OM_ERR_BAD_SESSION);
    if (name == nullptr || code == nullptr || !validRevisions(revisions)) {
        OMF_RAISE(nullptr, OM_ERR_NULL_PARAM);
    }
    omf::SessionRegistry& registry = *session->registry;
    const omf::PropertyRecord* known =
        registry.findPropertyName(omf::propertyContainerName(name, classID).c_str());
    omfProperty_t chosen = known != nullptr ? known->code : registry.nextPropertyCode++;
    OMF_CHECK(nullptr,
              omf::registerProperty(session, chosen, name, classID, type, revisions, true));
    *code = chosen;
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(nullptr, OM_ERR_NO_MEMORY);
}

omfErr_t omfsRegisterClass(omfSessionHdl_t session, const char* classID, const char* parent,
                           omfRevisionSet_t revisions) {
    if (!omf::validSession(session) || !session->registry) OMF_RAISE(nullptr, OM_ERR_BAD_SESSION);
    if (classID == nullptr || !validRevisions(revisions)) OMF_RAISE(nullptr, OM_ERR_NULL_PARAM);
    return omf::registerClass(session, classID, parent, revisions, 0);
}

} // extern "C"
