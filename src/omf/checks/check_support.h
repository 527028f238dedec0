// Helpers shared by the semantic checks: switching a file's checks off while
// a check reads data of its own, and class queries on objects.
#pragma once

#include "omf/internal/records.h"

namespace omf {

// Turns the file's checking switch off for its lifetime and restores the
// previous setting afterwards, so reads made by a check are not checked.
class ChecksSuspended {
  public:
    explicit ChecksSuspended(omfHdl_t file) : file_(file), saved_(file->checking) {
        file_->checking = false;
    }
    ~ChecksSuspended() { file_->checking = saved_; }
    ChecksSuspended(const ChecksSuspended&) = delete;
    ChecksSuspended& operator=(const ChecksSuspended&) = delete;

  private:
    omfHdl_t file_;
    bool saved_;
};

// Reads the class of `object` without raising anything: false when the
// object carries no class (for example while its class is being written).
bool readObjectClass(omfHdl_t file, omfObject_t object, omfClassID_t classID);

// Whether `object` is of class `ancestor` or of a descendant; an object
// whose class cannot be read is of no class.
bool objectIsA(omfHdl_t file, omfObject_t object, const char* ancestor);

} // namespace omf
