#include "app/app_icon.h"

#include <cstring>

std::vector<std::uint32_t> IconPixels(const IconArt& art) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(art.size) * art.size, 0);
    for (int y = 0; y < art.size; ++y) {
        for (int x = 0; x < art.size; ++x) {
            const char letter = art.rows[y][x];
            for (const IconColour& colour : kIconPalette) {
                if (colour.letter == letter) {
                    pixels[static_cast<std::size_t>(y) * art.size + x] = 0xFF000000u | colour.rgb;
                    break;
                }
            }
        }
    }
    return pixels;
}
