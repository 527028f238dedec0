// What a state holds of a movie open for reading.
#pragma once

struct ReadingMovie {};
