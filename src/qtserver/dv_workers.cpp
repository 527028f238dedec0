// DV compression and decompression on the movie thread. Not served by the
// module yet: every request answers failure.
#include "dv_workers.h"

void DVCompressWorker(QT_Msg&, MovieLibrary&) {}
void DVDecompressWorker(QT_Msg&, MovieLibrary&) {}
