// Walking the format lists callers hand to getInfo and putInfo: a buffer of
// 24-byte entries ending at the terminator or at the buffer's size.
#pragma once

#include "omf/omf_media_types.h"

namespace omf::codecs::video {

// The entries of an info buffer of `size` bytes (a size under one entry
// means the list runs to its terminator).
class FormatEntries {
  public:
    FormatEntries(void* buffer, omfInt32 size)
        : first_(static_cast<omfFormatEntry_t*>(buffer)),
          limit_(size >= omfInt32(sizeof(omfFormatEntry_t))
                     ? size / omfInt32(sizeof(omfFormatEntry_t))
                     : -1) {}

    template <typename Visit> omfErr_t forEach(Visit visit) const {
        if (first_ == nullptr) return 0;
        for (omfInt32 i = 0; limit_ < 0 || i < limit_; ++i) {
            if (first_[i].opcode == kOmfVFmtEnd) break;
            omfErr_t status = visit(first_[i]);
            if (status != 0) return status;
        }
        return 0;
    }

    // Whether an entry with `opcode` comes before the end.
    bool contains(omfInt32 opcode) const {
        bool found = false;
        forEach([&](const omfFormatEntry_t& entry) {
            found = found || entry.opcode == opcode;
            return omfErr_t(0);
        });
        return found;
    }

  private:
    omfFormatEntry_t* first_;
    omfInt32 limit_;
};

// Sum of the component sizes of a code-17 entry (bytes before the first zero).
inline omfInt32 componentSizeSum(const omfFormatEntry_t& entry) {
    omfInt32 sum = 0;
    for (omfUInt8 size : entry.operand.compSizes) {
        if (size == 0) break;
        sum += size;
    }
    return sum;
}

} // namespace omf::codecs::video
