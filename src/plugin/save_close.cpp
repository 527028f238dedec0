// Closing what SaveHeader made: the media writes its lengths and summary, the file its table of
// contents; a failure there loses the file and is reported.
#include "class_state.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"
#include "omf_format.h"

namespace omfplugin {

bool OMFFormat::FinishSavedFile() {
    m_Save.LumaTable.reset();
    m_Save.ChromaTables.reset();
    if (!m_Save.FileMob) return true;
    m_Save.FileMob = nullptr;
    m_Save.MasterMob = nullptr;
    if (!m_File) return true;
    omfErr_t failed = 0;
    if (m_Media) failed = omfmCloseMedia(m_Media);
    m_Media = nullptr;
    // The media's failure is reported against the file while it is still open.
    if (failed) Report(failed);
    const omfErr_t closed = omfsCloseOMFFile(m_File);
    m_File = nullptr;
    if (closed) Report(closed);
    return failed == 0 && closed == 0;
}

} // namespace omfplugin
