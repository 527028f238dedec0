// A toolkit search iterator (over mobs, or over the tracks, slots and
// other arrays the walks visit) disposed with its scope.
#pragma once

#include "omf/omf_mobs.h"

namespace omftool {

class MobSearch {
  public:
    explicit MobSearch(omfHdl_t file) : file_(file) { omfiMobOpenSearch(file, &handle_); }
    ~MobSearch() {
        if (handle_ != nullptr) omfiSearchDispose(file_, handle_);
    }
    MobSearch(const MobSearch&) = delete;
    MobSearch& operator=(const MobSearch&) = delete;
    omfIterHdl_t get() const { return handle_; }

  private:
    omfHdl_t file_;
    omfIterHdl_t handle_ = nullptr;
};

} // namespace omftool
