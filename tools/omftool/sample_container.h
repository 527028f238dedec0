// Writes the small sample container bundled in examples/: a few objects
// with OMF-style property and type names, immediate and segmented values,
// and an object reference.
#pragma once

#include <string>

namespace omftool {

// Answers true when the container was written without error.
// With `version1`, the container gets the fixed-entry TOC of label version 1.0.
bool writeSampleContainer(const std::string& file, bool version1 = false);

// Writes a small OMF file of `revision` (0, 1 or 2) through the toolkit: a
// file mob, its master mob and a composition cutting two pieces of it.
bool writeSampleOMF(const std::string& file, int revision);

} // namespace omftool
