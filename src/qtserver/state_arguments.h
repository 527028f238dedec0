// Reading a state from a call's arguments and writing its attributes.
#pragma once

class MovieThread;
class QT_Msg;
class ScriptVal;

// Argument 1 when it is a state object of this process, else null.
QT_Msg* StateArgument(const ScriptVal& args);
// Adds the state's attributes to `table`: Width, Height, XScale, YScale,
// NumFrames, use_vidtrack_num, max_vidtrack_num, Rate, CodecID, PixelFormat,
// PixMapPixelFormat, Depth, RowModulo, and MapName and MapSize while a view
// of its frame section is mapped.
void AddStateAttributes(QT_Msg& state, ScriptVal& table);
// Sets the state's attributes from the keys present in `table` and keeps
// the others: the video track to use, the codec (CodecID chooses an entry of
// the movie thread's codec list; CodecSettings gives its settings), the
// writing, audio, field and colour settings, the frame size and scale.
// PixelFormat is set from its name, the previous name when the key is absent.
void ApplyStateAttributes(MovieThread& movies, QT_Msg& state, const ScriptVal& table);
