// Writes the small sample container bundled in examples/: a few objects
// with OMF-style property and type names, immediate and segmented values,
// and an object reference.
#pragma once

#include <string>

namespace omftool {

// Answers true when the container was written without error.
bool writeSampleContainer(const std::string& file);

} // namespace omftool
