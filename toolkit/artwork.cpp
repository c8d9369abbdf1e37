#include "toolkit/artwork.h"

#include <cstdint>

// Written by the generated assembler file that includes the PNG files (cmake/toolkit.cmake).
extern "C" {
struct kaveo_artwork_entry {
    int64_t id;
    const unsigned char* data;
    int64_t size;
};
extern const kaveo_artwork_entry kaveo_artwork_index[];
extern const int64_t kaveo_artwork_count;
}

namespace VSTGUI {

artwork_png find_artwork(long id) {
    for (int64_t i = 0; i < kaveo_artwork_count; ++i)
        if (kaveo_artwork_index[i].id == id)
            return {kaveo_artwork_index[i].data, size_t(kaveo_artwork_index[i].size)};
    return {};
}

}  // namespace VSTGUI
