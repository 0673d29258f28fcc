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
