// The catalogue of picture codecs (with their varieties) the saver offers.
#pragma once

#include <string_view>

#include "omf/omf_codec.h"
#include "omf/omf_types.h"
#include "tarsel/system/list.h"
#include "tarsel/system/object.h"

namespace omfplugin {

// Size of the codec ID and name texts, zero-padded.
inline constexpr int kCodecTextSize = 64;

// One codec of the catalogue. A variety record is a CodecEntry whose name holds the variety
// name and whose capabilities are those the codec describes for that variety; its ID and
// variety list stay empty.
class CodecEntry : public Object {
  public:
    CodecEntry();
    ~CodecEntry() override;

    char ID[kCodecTextSize] = {};
    char Name[kCodecTextSize] = {};
    omfUInt32 Capabilities = 0; // as the codec describes itself (omfCodecCapability_t)
    List Varieties;             // owns its CodecEntry records

    // Whether the saver may write media with it.
    bool Writes() const { return (Capabilities & kOmfCodecReadsOnly) == 0; }
    // Whether the Quality control changes its frames.
    bool TakesQuality() const { return (Capabilities & kOmfCodecTakesQuantTables) != 0; }
    // Whether the Quality control changes the frames of its variety `variety` (empty: none
    // chosen): the codec must take it, and the variety too when it is one of the list.
    bool TakesQuality(std::string_view variety) const;
};

// A list that owns CodecEntry records.
List::Disposer CodecEntryDisposer();

// Appends to `catalogue` the "RGBA" entry, then every picture codec of `session` (after
// omfmInit) in index order with its capabilities and varieties. A codec whose ID, name,
// capabilities or variety count cannot be read is left out, wherever it stands in the list; a
// variety that cannot be read is left out of its codec.
void BuildCodecCatalogue(omfSessionHdl_t session, List& catalogue);

} // namespace omfplugin
