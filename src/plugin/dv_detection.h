// Whether the movie server can decode Avid DV frames.
#pragma once

namespace omfplugin {

// Starts (or finds) the movie server and asks its codec list for a compressor whose name
// begins with "AVdv". False when no server answers.
bool ServerOffersAvidDV();

} // namespace omfplugin
