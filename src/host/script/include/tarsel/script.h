// Everything of the scripting library in one include.
#pragma once

#include "tarsel/events.h"
#include "tarsel/exception_handler.h"
#include "tarsel/platform.h"
#include "tarsel/remote.h"
#include "tarsel/script_object.h"
#include "tarsel/script_val.h"
#include "tarsel/tags.h"
#include "tarsel/ts_id.h"
