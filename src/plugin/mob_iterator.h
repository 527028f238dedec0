// An owned toolkit iterator: allocated for one file, disposed at the end of its scope.
#pragma once

#include "omf/omf_mobs.h"

namespace omfplugin {

class MobIterator {
  public:
    explicit MobIterator(omfHdl_t file) : m_File(file) {
        m_Error = omfiMobOpenSearch(file, &m_Handle);
    }
    ~MobIterator() {
        if (m_Handle) omfiSearchDispose(m_File, m_Handle);
    }
    MobIterator(const MobIterator&) = delete;
    MobIterator& operator=(const MobIterator&) = delete;

    omfIterHdl_t get() const { return m_Handle; }
    omfErr_t OpenError() const { return m_Error; }

  private:
    omfHdl_t m_File;
    omfIterHdl_t m_Handle = nullptr;
    omfErr_t m_Error = 0;
};

} // namespace omfplugin
