// The C library's heap, set up for frames that allocate and free the same large blocks.
#pragma once

// Called once at start-up, before the window opens.
void holdHeapAcrossFrames();
