// The icon table: every image the program registered under a number, and the same as a QIcon for
// window decorations.
#include <map>
#include <memory>

#include <QImage>
#include <QPixmap>

#include "framework/qt/icons.h"
#include "framework/qt/qt_access.h"

struct HICON__ {
    std::vector<QImage> images;
    QIcon icon;
};

namespace {

std::map<UINT, std::unique_ptr<HICON__>>& Icons() {
    static std::map<UINT, std::unique_ptr<HICON__>> icons;
    return icons;
}

}  // namespace

void AfxRegisterIcon(UINT id, const std::vector<IconImage>& images) {
    auto icon = std::make_unique<HICON__>();
    for (const IconImage& image : images) {
        if (image.width <= 0 || image.height <= 0 ||
            image.argb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
            continue;  // a malformed image is left out rather than read past its end
        QImage qimage(image.width, image.height, QImage::Format_ARGB32);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                qimage.setPixel(x, y, image.argb[static_cast<size_t>(y) * image.width + x]);
        icon->images.push_back(qimage);
    }
    // An icon handle stays valid for the whole run: re-registering replaces the images in place.
    auto& slot = Icons()[id];
    if (!slot) {
        slot = std::move(icon);
    } else {
        slot->images = std::move(icon->images);
        slot->icon = QIcon();
    }
}

HICON AfxLoadIcon(UINT id) {
    auto it = Icons().find(id);
    return it == Icons().end() ? nullptr : it->second.get();
}

QImage AfxQtIconImage(HICON icon, int size) {
    if (!icon || icon->images.empty()) return {};
    const QImage* best = &icon->images.front();
    for (const QImage& image : icon->images) {
        if (image.width() == size) return image;
        if (std::abs(image.width() - size) < std::abs(best->width() - size)) best = &image;
    }
    return best->scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

namespace afx {

QIcon QtIcon(HICON icon) {
    if (!icon) return {};
    if (icon->icon.isNull())
        for (const QImage& image : icon->images) icon->icon.addPixmap(QPixmap::fromImage(image));
    return icon->icon;
}

}  // namespace afx
