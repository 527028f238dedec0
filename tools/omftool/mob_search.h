// A toolkit search iterator (over mobs, or over the tracks, slots and
// other arrays the walks visit) disposed with its scope, and the name of
// a mob's kind.
#pragma once

#include "omf/omf_mobs.h"

#include <string>

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

// "composition", "master", "file", "tape", "film" or "other".
inline std::string mobKindName(omfHdl_t file, omfObject_t mob) {
    omfErr_t error = 0;
    if (omfiMobIsComposition(file, mob, &error)) return "composition";
    if (omfiMobIsMaster(file, mob, &error)) return "master";
    if (omfiMobIsFile(file, mob, &error)) return "file";
    if (omfiMobIsTape(file, mob, &error)) return "tape";
    if (omfiMobIsFilm(file, mob, &error)) return "film";
    return "other";
}

} // namespace omftool
