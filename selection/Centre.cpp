#include "selection/Centre.h"

Point CentredPosition(const Rect& dialog, const Rect* reference, const Rect& workArea) {
    const Rect& centre = reference ? *reference : workArea;
    const long w = dialog.right - dialog.left;
    const long h = dialog.bottom - dialog.top;
    // Integer division truncates toward zero, as the placement rule wants.
    long x = (centre.left + centre.right) / 2 - w / 2;
    long y = (centre.top + centre.bottom) / 2 - h / 2;
    if (x < workArea.left)
        x = workArea.left;
    else if (x + w > workArea.right)
        x = workArea.right - w;
    if (y < workArea.top)
        y = workArea.top;
    else if (y + h > workArea.bottom)
        y = workArea.bottom - h;
    return {x, y};
}
