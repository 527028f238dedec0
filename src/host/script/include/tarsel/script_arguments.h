// The argument table of a call: the values under keys 1, 2, 3 ... in order.
#pragma once

#include "tarsel/script_val.h"

#include <cstdint>
#include <initializer_list>

inline ScriptVal ArgumentTable(std::initializer_list<ScriptVal> values) {
    ScriptVal arguments = ScriptVal::NewTable();
    int64_t key = 0;
    for (const ScriptVal& value : values)
        arguments.Set(++key, value);
    return arguments;
}
