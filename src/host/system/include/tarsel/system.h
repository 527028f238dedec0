// Everything of the media framework in one include.
#pragma once

#include "tarsel/system/application.h"
#include "tarsel/system/clip.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/list.h"
#include "tarsel/system/lockable_object.h"
#include "tarsel/system/media_format.h"
#include "tarsel/system/object.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/qt_server.h"
#include "tarsel/system/registry.h"
#include "tarsel/system/tool.h"
