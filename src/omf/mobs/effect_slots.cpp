// Looking up a 2.x effect's input by its argument ID.
#include "omf/internal/effect_slots.h"

#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

namespace omf {

omfErr_t findEffectSlot(omfHdl_t file, omfObject_t effect, omfInt32 argID, omfObject_t* value,
                        bool* found) {
    *value = nullptr;
    *found = false;
    omfInt32 count = omfsLengthObjRefArray(file, effect, kOmfProperty_EFFE_EffectSlots);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t slot = nullptr;
        OMF_CHECK(file,
                  omfsGetNthObjRefArray(file, effect, kOmfProperty_EFFE_EffectSlots, &slot, i));
        omfInt32 slotID = 0;
        OMF_CHECK(file,
                  omfsReadEnum(file, slot, kOmfProperty_ESLT_ArgID, kOmfType_ArgIDType, &slotID));
        if (slotID == argID) {
            OMF_CHECK(file, omfsReadObjRef(file, slot, kOmfProperty_ESLT_ArgValue, value));
            *found = true;
            return 0;
        }
    }
    return 0;
}

} // namespace omf
