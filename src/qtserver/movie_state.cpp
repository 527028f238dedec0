// QT_Msg.
#include "movie_state.h"

#include "frame_map.h"
#include "message_codes.h"

QT_Msg::QT_Msg() {
    SetCode(kCodeLoadHeader);
}

QT_Msg::~QT_Msg() {
    DisposeMovieState(*this);
}

void DisposeMovieState(QT_Msg& state) {
    ReleaseFrameSection(state);
}
