// The application icon's pictures (32 x 32 and 16 x 16, sixteen colours) as character art, and
// their conversion into the 32-bit pixels the framework's icon resources take.
#pragma once

#include <cstdint>
#include <vector>

struct IconColour {
    char letter;
    std::uint32_t rgb;  // 0xRRGGBB
};

struct IconArt {
    int size;                 // width and height in pixels
    const char* const* rows;  // `size` rows of `size` letters; '.' is transparent
};

extern const IconColour kIconPalette[16];
extern const IconArt kAppIconArt[2];

// The picture as 0xAARRGGBB pixels, row by row; transparent pixels have alpha 0.
std::vector<std::uint32_t> IconPixels(const IconArt& art);
