// Opens a container for inspection with the toolkit's handlers and keeps the
// error text of a failed open.
#pragma once

#include "container/cm_api.h"
#include "container/omfi_handlers.h"

#include <string>

namespace omftool {

class OpenContainer {
  public:
    explicit OpenContainer(const std::string& file);
    ~OpenContainer();
    OpenContainer(const OpenContainer&) = delete;
    OpenContainer& operator=(const OpenContainer&) = delete;

    CMContainer container() const { return container_; }
    // The container error that stopped the open (empty when it opened).
    const std::string& error() const { return error_; }
    int errorNumber() const { return errorNumber_; }

  private:
    CMHandlerSession handler_{};
    CMSession session_ = nullptr;
    CMContainer container_ = nullptr;
    std::string error_;
    int errorNumber_ = 0;
};

} // namespace omftool
