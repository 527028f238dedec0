// An open media handle of the media calls, closed with its scope.
#pragma once

#include "omf/omf_media.h"

namespace omftool {

class MediaHandle {
  public:
    MediaHandle() = default;
    ~MediaHandle() { close(); }
    MediaHandle(const MediaHandle&) = delete;
    MediaHandle& operator=(const MediaHandle&) = delete;

    // Where an open call puts the handle; a handle held before is closed first.
    omfMediaHdl_t* out() {
        close();
        return &media_;
    }
    omfMediaHdl_t get() const { return media_; }
    // Drops what a failed open left behind, which is no handle to close.
    void forget() { media_ = nullptr; }
    // Closes now, answering the close's result.
    omfErr_t close() {
        const omfErr_t status = media_ != nullptr ? omfmCloseMedia(media_) : 0;
        media_ = nullptr;
        return status;
    }

  private:
    omfMediaHdl_t media_ = nullptr;
};

} // namespace omftool
