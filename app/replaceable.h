// The functions a measuring build replaces. The viewer's program lists the files named first;
// each build in bench/ lists its own file instead, and the linker takes whichever is listed.
#pragma once

// Draws the current view state's star field as one batch of GL points.
// The viewer's: app/star_field_gl.cpp. Replaced by bench/empty_star_field.cpp (an empty
// batch), instruments/precomputed_star_field.cpp (the stars of tick 0, computed once) and
// bench/straightforward_star_field.cpp (the plain formulas, star by star).
void drawStarField();

// Sets the C library's heap up for frames that allocate and free the same large blocks;
// called once at start-up, before the window opens.
// The viewer's: app/heap.cpp. Replaced by bench/straightforward_star_field.cpp (the heap as
// the C library sets it up).
void holdHeapAcrossFrames();
