// The "codecs" command: the codecs the OMF plug-in's saver offers, with their varieties, as the
// host's saver tool shows them.
#pragma once

#include <ostream>

namespace omftool {

// Runs the command; answers the process exit status (2 when the plug-in does not load).
int runCodecs(bool json, std::ostream& out, std::ostream& err);

} // namespace omftool
