// Where a dialog goes so that it is centred over its owner (or the work
// area) and lies inside the work area.
#pragma once

struct Rect {
    long left, top, right, bottom;
};

struct Point {
    long x, y;
};

// reference is null when the dialog has no visible, unminimised owner.
Point CentredPosition(const Rect& dialog, const Rect* reference, const Rect& workArea);
