// Construction and destruction of session and file records.
#include "omf/internal/records.h"
#include "omf/internal/registry.h"

omfSessionRec::omfSessionRec() = default;
omfSessionRec::~omfSessionRec() { tag = 0; }

omfFileRec::omfFileRec() = default;
omfFileRec::~omfFileRec() { tag = 0; }
