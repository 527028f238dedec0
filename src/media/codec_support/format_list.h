// Format lists as codecs keep them: at most 33 entries, always terminated,
// an entry whose code is present replacing the old value.
#pragma once

#include "omf/omf_media_types.h"

#include <cstring>
#include <vector>

namespace omf::media {

class FormatList {
public:
    FormatList() { entries_.push_back(terminator()); }

    // Adds `entry`, or replaces the value of the entry with its code;
    // OM_ERR_OPERATION_LIST_OVERFLOW when a new code finds the list full.
    omfErr_t put(const omfFormatEntry_t& entry);
    omfErr_t putInt32(omfInt32 opcode, omfInt32 value);
    omfErr_t putInt16(omfInt32 opcode, omfInt16 value);
    omfErr_t putRect(omfInt32 opcode, const omfRect_t& rect);
    omfErr_t putRational(omfInt32 opcode, omfRational_t ratio);
    omfErr_t putLineMap(omfInt32 opcode, omfInt32 first, omfInt32 second);
    omfErr_t putBytes(omfInt32 opcode, const void* bytes, size_t length); // at most 8

    // The entry with `opcode`, or null.
    const omfFormatEntry_t* find(omfInt32 opcode) const;
    void clear();

    // Entries followed by the terminator, for the calls that take a list.
    const omfFormatEntry_t* data() const { return entries_.data(); }
    size_t size() const { return entries_.size() - 1; }

private:
    static omfFormatEntry_t terminator() {
        omfFormatEntry_t end;
        std::memset(&end, 0, sizeof end);
        return end;
    }
    std::vector<omfFormatEntry_t> entries_;
};

// The entry with `opcode` in a terminated list, or null.
const omfFormatEntry_t* findFormatEntry(const omfFormatEntry_t* list, omfInt32 opcode);

} // namespace omf::media
