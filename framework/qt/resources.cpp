// The resource tables: dialog templates, menus, strings and icons by number.
#include <map>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "framework/afxwin.h"
#include "framework/qt/qt_access.h"

// An icon: every image the program gave, and the same as a QIcon for window decorations.
struct HICON__ {
    std::vector<QImage> images;
    QIcon icon;
};

namespace {

struct ResourceTables {
    std::map<UINT, DialogTemplate> dialogs;
    std::map<UINT, MenuTemplate> menus;
    std::map<UINT, CString> strings;
    std::map<UINT, std::unique_ptr<HICON__>> icons;
};

ResourceTables& Tables()
{
    static ResourceTables tables;
    return tables;
}

}  // namespace

void AfxRegisterDialog(const DialogTemplate& tmpl) { Tables().dialogs[tmpl.id] = tmpl; }

void AfxRegisterMenu(const MenuTemplate& menu) { Tables().menus[menu.id] = menu; }

void AfxRegisterString(UINT id, const char* text) { Tables().strings[id] = text ? text : ""; }

void AfxRegisterIcon(UINT id, const std::vector<IconImage>& images)
{
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
    auto& slot = Tables().icons[id];
    if (!slot) {
        slot = std::move(icon);
    } else {
        slot->images = std::move(icon->images);
        slot->icon = QIcon();
    }
}

const DialogTemplate* AfxFindDialogTemplate(UINT id)
{
    auto it = Tables().dialogs.find(id);
    return it == Tables().dialogs.end() ? nullptr : &it->second;
}

const MenuTemplate* AfxFindMenuTemplate(UINT id)
{
    auto it = Tables().menus.find(id);
    return it == Tables().menus.end() ? nullptr : &it->second;
}

BOOL AfxLoadString(UINT id, CString& text)
{
    auto it = Tables().strings.find(id);
    if (it == Tables().strings.end()) {
        text.clear();
        return FALSE;
    }
    text = it->second;
    return TRUE;
}

CString AfxLoadString(UINT id)
{
    CString text;
    AfxLoadString(id, text);
    return text;
}

HICON AfxLoadIcon(UINT id)
{
    auto it = Tables().icons.find(id);
    return it == Tables().icons.end() ? nullptr : it->second.get();
}

QImage AfxQtIconImage(HICON icon, int size)
{
    if (!icon || icon->images.empty())
        return {};
    const QImage* best = &icon->images.front();
    for (const QImage& image : icon->images) {
        if (image.width() == size)
            return image;
        if (std::abs(image.width() - size) < std::abs(best->width() - size))
            best = &image;
    }
    return best->scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

namespace afx {

QIcon QtIcon(HICON icon)
{
    if (!icon)
        return {};
    if (icon->icon.isNull())
        for (const QImage& image : icon->images)
            icon->icon.addPixmap(QPixmap::fromImage(image));
    return icon->icon;
}

}  // namespace afx
