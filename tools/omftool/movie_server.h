// The movie server the commands that need one use.
#pragma once

namespace omftool {

// Points the host at the movie server built with omftool unless the environment names one
// (the host's TARSEL_QTSERVER). The plug-in decodes DV media through that server.
void chooseMovieServer();

} // namespace omftool
