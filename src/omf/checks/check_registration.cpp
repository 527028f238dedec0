// Attaching data rules and expected classes of referenced objects to the
// property records of a session, per revision table.
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"
#include "omf/omf_checks.h"

#include <cstring>

namespace omf {
namespace {

// Applies `attach` to the property's record in every table of the revision
// set that has one; a code known in none of them is OM_ERR_PROPERTY_OUT_OF_RANGE.
template <typename Attach>
omfErr_t attachToRecords(omfSessionHdl_t session, omfProperty_t property,
                         omfRevisionSet_t revisions, Attach attach) {
    if (!validSession(session) || !session->registry) return OM_ERR_BAD_SESSION;
    if (revisions != kOmfRevisions1x && revisions != kOmfRevisions2x &&
        revisions != kOmfRevisionsBoth) {
        return OM_ERR_PROPERTY_OUT_OF_RANGE;
    }
    bool found = false;
    for (RevisionTable table : {kTables1x, kTables2x}) {
        if (!setIncludes(revisions, table)) continue;
        if (PropertyRecord* record = session->registry->findProperty(table, property)) {
            attach(*record);
            found = true;
        }
    }
    return found ? 0 : OM_ERR_PROPERTY_OUT_OF_RANGE;
}

} // namespace
} // namespace omf

using namespace omf;

extern "C" {

// A null rule removes the property's rule.
omfErr_t omfsSetDataRule(omfSessionHdl_t session, omfProperty_t property,
                         omfRevisionSet_t revisions, omfDataRule_t rule) {
    return attachToRecords(session, property, revisions,
                           [rule](PropertyRecord& record) { record.dataRule = rule; });
}

omfErr_t omfsSetRefClass(omfSessionHdl_t session, omfProperty_t property,
                         omfRevisionSet_t revisions, const char* classID) {
    if (classID == nullptr) return OM_ERR_NULL_PARAM;
    return attachToRecords(session, property, revisions, [classID](PropertyRecord& record) {
        // Class IDs are four characters; a shorter text is padded with NULs.
        size_t length = strnlen(classID, sizeof record.referencedClass);
        std::memset(record.referencedClass, 0, sizeof record.referencedClass);
        std::memcpy(record.referencedClass, classID, length);
        record.hasReferencedClass = true;
    });
}

} // extern "C"
