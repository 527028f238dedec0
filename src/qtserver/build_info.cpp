// The build date, fixed when this file is compiled.
#include "build_info.h"

const char* ServerBuildDate() {
    return __DATE__ " " __TIME__;
}
