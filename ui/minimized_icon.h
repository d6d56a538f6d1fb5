// Where the minimized main dialog draws its icon: centred in the client area, rounding as the
// window system's own arithmetic does (signed, the division truncating toward zero).
#pragma once

struct IconPosition {
    int x;
    int y;
};

constexpr IconPosition CenteredIconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
