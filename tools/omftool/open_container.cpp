#include "open_container.h"

namespace omftool {

OpenContainer::OpenContainer(const std::string& file) {
    session_ = CMStartBentoSession(&CMSessionMetaHandler, &handler_);
    if (session_ == nullptr) {
        error_ = "cannot start a container session";
        return;
    }
    CMSetTypeMetaHandler(session_, CMFileStreamTypeName, &CMFileStreamMetaHandler);
    CMRefCon refCon = CMCreateFileRefCon(session_, file.c_str(), nullptr, nullptr);
    if (refCon != nullptr) {
        container_ = CMOpenContainer(session_, refCon, CMFileStreamTypeName, 0);
    }
    if (container_ == nullptr) {
        errorNumber_ = handler_.defaultError.number;
        error_ = handler_.defaultError.pending ? handler_.defaultError.text
                                               : "cannot open \"" + file + "\"";
    }
}

OpenContainer::~OpenContainer() {
    if (container_ != nullptr) CMCloseContainer(container_);
    if (session_ != nullptr) CMEndBentoSession(session_, 1);
    CMReleaseHandlerSession(&handler_);
}

} // namespace omftool
