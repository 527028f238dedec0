// Format lists kept by codecs.
#include "media/codec_support/format_list.h"

#include "omf/omf_error_codes.h"

#include <algorithm>

namespace omf::media {

omfErr_t FormatList::put(const omfFormatEntry_t& entry) {
    for (size_t i = 0; i + 1 < entries_.size(); ++i) {
        if (entries_[i].opcode == entry.opcode) {
            entries_[i] = entry;
            return 0;
        }
    }
    if (size() >= size_t(kOmfMaxFormatEntries)) return OM_ERR_OPERATION_LIST_OVERFLOW;
    entries_.insert(entries_.end() - 1, entry);
    return 0;
}

omfErr_t FormatList::putInt32(omfInt32 opcode, omfInt32 value) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    entry.operand.int32 = value;
    return put(entry);
}

omfErr_t FormatList::putInt16(omfInt32 opcode, omfInt16 value) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    entry.operand.int16 = value;
    return put(entry);
}

omfErr_t FormatList::putRect(omfInt32 opcode, const omfRect_t& rect) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    entry.operand.rect = rect;
    return put(entry);
}

omfErr_t FormatList::putRational(omfInt32 opcode, omfRational_t ratio) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    entry.operand.ratio = ratio;
    return put(entry);
}

omfErr_t FormatList::putLineMap(omfInt32 opcode, omfInt32 first, omfInt32 second) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    entry.operand.lineMap[0] = first;
    entry.operand.lineMap[1] = second;
    return put(entry);
}

omfErr_t FormatList::putBytes(omfInt32 opcode, const void* bytes, size_t length) {
    omfFormatEntry_t entry = omfmFormatEntry(opcode);
    std::memcpy(entry.operand.raw, bytes, std::min<size_t>(length, 8));
    return put(entry);
}

const omfFormatEntry_t* FormatList::find(omfInt32 opcode) const {
    return findFormatEntry(entries_.data(), opcode);
}

void FormatList::clear() {
    entries_.clear();
    entries_.push_back(terminator());
}

const omfFormatEntry_t* findFormatEntry(const omfFormatEntry_t* list, omfInt32 opcode) {
    if (list == nullptr) return nullptr;
    for (; list->opcode != kOmfVFmtEnd; ++list) {
        if (list->opcode == opcode) return list;
    }
    return nullptr;
}

} // namespace omf::media
