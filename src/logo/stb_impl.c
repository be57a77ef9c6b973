/* The one place the stb libraries' code is compiled; third-party, so without our warning flags. */
#include <stdlib.h>

/* stb_image allocates its JPEG decoder with malloc and never clears the Huffman tables, so a scan
   naming a table that no DHT defined reads whatever the heap held. Zeroed, such a table is a
   harmless degenerate one: every code is symbol 0, zero bits long. */
#define STBI_MALLOC(size) calloc(1, size)
#define STBI_REALLOC(pointer, size) realloc(pointer, size)
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
