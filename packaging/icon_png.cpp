// Writes the application icon as a PNG file of a given size, from the same character art the window
// registers, so that the menu's icon and the window's icon never drift apart.
// Usage: quillon-icon-png SIZE FILE.png
#include "app/app_icon.h"

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The art drawn at `size` pixels: a picture of that size as it is; otherwise the largest picture
// that divides the size, enlarged by whole pixels so that its edges stay sharp.
QImage Render(int size) {
    const IconArt* best = nullptr;
    for (const IconArt& art : kAppIconArt) {
        if (size % art.size == 0 && (!best || art.size > best->size)) best = &art;
    }
    if (!best) return {};
    const std::vector<std::uint32_t> pixels = IconPixels(*best);
    QImage image(best->size, best->size, QImage::Format_ARGB32);
    for (int y = 0; y < best->size; ++y) {
        std::memcpy(image.scanLine(y), pixels.data() + static_cast<std::size_t>(y) * best->size,
                    static_cast<std::size_t>(best->size) * sizeof(std::uint32_t));
    }
    return best->size == size ? image : image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    const QImage image = size > 0 ? Render(size) : QImage();
    if (image.isNull()) {
        std::fprintf(stderr, "usage: quillon-icon-png SIZE FILE.png (SIZE a multiple of 16)\n");
        return 2;
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "quillon-icon-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
