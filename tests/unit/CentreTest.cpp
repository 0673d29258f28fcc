#include <gtest/gtest.h>

#include "selection/Centre.h"

namespace {

TEST(Centre, CentresThenKeepsInsideWorkArea) {
    const Rect area{0, 0, 1000, 800};
    const struct {
        const char* name; Rect dialog; bool hasOwner; Rect owner, work; Point expected;
    } cases[] = {
        {"over owner", {0, 0, 200, 100}, true, {100, 100, 500, 300}, area, {200, 150}},
        {"over work area", {50, 50, 250, 150}, false, {}, {100, 40, 900, 740}, {400, 340}},
        // The dialog as Wine draws it, 377x205, in a 1024x768 work area:
        // x = 1024/2 - 377/2 = 512 - 188 = 324 (gaps 324 left, 1024 - 701 = 323 right),
        // y = 768/2 - 205/2 = 384 - 102 = 282 (gaps 282 above, 768 - 487 = 281 below).
        {"the real dialog", {0, 0, 377, 205}, false, {}, {0, 0, 1024, 768}, {324, 282}},
        // Over the owner's centre (250, 200): x = 250 - 201/2 = 250 - 100 = 150,
        // y = 200 - 101/2 = 200 - 50 = 150.
        {"odd sizes truncate", {0, 0, 201, 101}, true, {100, 100, 400, 300}, area, {150, 150}},
        {"negative coordinates truncate toward zero", {0, 0, 11, 11}, true, {-101, -51, 0, 0},
         {-500, -500, 500, 500}, {-55, -30}},
        {"past right and bottom", {0, 0, 300, 200}, true, {800, 700, 1000, 800}, area, {700, 600}},
        {"past left and top", {0, 0, 300, 200}, true, {-100, -100, 100, 100}, area, {0, 0}},
        {"wider and taller than area", {0, 0, 1200, 900}, false, {}, area, {0, 0}},
        {"wide, owner on the right", {0, 0, 1200, 100}, true, {900, 0, 1000, 100}, area, {-200, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Point p = CentredPosition(c.dialog, c.hasOwner ? &c.owner : nullptr, c.work);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
    }
}

}  // namespace
