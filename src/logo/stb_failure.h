#pragma once

// stb_impl.c: stb_image's failure reason otherwise stays from an earlier call, and some of its
// allocation failures give none. Cleared before each call.
extern "C" void QuilletStbClearFailureReason(void);
// Whether an allocation failed since the last clearing.
extern "C" int QuilletStbRanOutOfMemory(void);
