/* The one place the stb libraries' code is compiled; third-party, so without our warning flags. */
#include <stdlib.h>

/* Some of stb_image's allocation failures give no reason: each is noted here instead. */
static _Thread_local int quillet_stb_out_of_memory;

static void* QuilletStbAllocate(size_t size) {
    void* p = calloc(1, size);
    quillet_stb_out_of_memory |= p == NULL;
    return p;
}

static void* QuilletStbReallocate(void* pointer, size_t size) {
    void* p = realloc(pointer, size);
    quillet_stb_out_of_memory |= p == NULL;
    return p;
}

/* stb_image allocates its JPEG decoder with malloc and never clears the Huffman tables, so a scan
   naming a table that no DHT defined reads whatever the heap held. Zeroed, such a table is a
   harmless degenerate one: every code is symbol 0, zero bits long. */
#define STBI_MALLOC(size) QuilletStbAllocate(size)
#define STBI_REALLOC(pointer, size) QuilletStbReallocate(pointer, size)
#define STBI_FREE(pointer) free(pointer)
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_HDR
#define STBI_NO_PSD
#define STBI_NO_PIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>

/* stb_image keeps the reason of its last failure until another replaces it, and some failures
   give none: cleared before each load, such a failure reads as no reason, not an older one. */
void QuilletStbClearFailureReason(void) {
    stbi__g_failure_reason = NULL;
    quillet_stb_out_of_memory = 0;
}

int QuilletStbRanOutOfMemory(void) {
    return quillet_stb_out_of_memory;
}
