// Frame layouts and their codes in tag 34434.
#include "tiff/tiff_tags.h"

namespace omf::codecs::tiff {

bool layoutOfCode(uint32_t code, omfInt32* layout) {
    switch (code) {
    case kLayoutCodeFullFrame:
        *layout = kOmfFullFrame;
        return true;
    case kLayoutCodeOneField:
        *layout = kOmfOneField;
        return true;
    case kLayoutCodeSeparateFields:
        *layout = kOmfSeparateFields;
        return true;
    default:
        return false;
    }
}

bool codeOfLayout(omfInt32 layout, uint32_t* code) {
    switch (layout) {
    case kOmfFullFrame:
        *code = kLayoutCodeFullFrame;
        return true;
    case kOmfOneField:
        *code = kLayoutCodeOneField;
        return true;
    case kOmfSeparateFields:
        *code = kLayoutCodeSeparateFields;
        return true;
    default:
        return false;
    }
}

} // namespace omf::codecs::tiff
