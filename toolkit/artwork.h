// The editor's pictures, drawn by tools/artwork at build time and embedded in the library
// as PNG files, one per bitmap id.
#pragma once

#include <cstddef>

namespace VSTGUI {

struct artwork_png {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

// The PNG bytes of bitmap id, or an empty answer for an id with no picture.
artwork_png find_artwork(long id);

}  // namespace VSTGUI
