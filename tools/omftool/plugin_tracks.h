// The "tracks" command: the OMF plug-in driven as a host drives it, listing the entries of its
// "Video Track" control with what the host gets for each.
#pragma once

#include <memory>
#include <ostream>
#include <string>

class FormatHost;
class Plugin;
class TarselDoc;

namespace omftool {

// Environment variable naming the plug-in library; without it the one built with omftool.
inline constexpr const char* kPluginPathVariable = "OMFTOOL_PLUGIN";

// The plug-in library the commands that drive it load.
std::string pluginPath();

// The loaded plug-in's image format reading `file`, whatever its name: a host picks the format
// by extension, omftool hands its files to the OMF plug-in. Null with the reason in `error`.
std::unique_ptr<FormatHost> openWithPlugin(const Plugin& plugin, const std::string& file,
                                           TarselDoc& document, std::string& error);

// Runs the command; answers the process exit status (2 when the plug-in does not load or
// refuses the file).
int runTracks(const std::string& file, bool json, std::ostream& out, std::ostream& err);

} // namespace omftool
