#include "app/run.hpp"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

struct BaseCase {
    const char* joined;
    const char* base;  // nullptr: no extension
};

TEST(PlanBase, OnlyTheFinalComponentsExtensionGoes) {
    const BaseCase cases[] = {
        {"plan.xyz", "plan"},
        {"plan.lst", "plan"},
        {"my.plan.lst", "my.plan"},
        {"./plan.lst", "./plan"},
        {".\\plan.lst", ".\\plan"},
        {"C:\\data.old\\plan.lst", "C:\\data.old\\plan"},
        {"My Plans\\p.lst", "My Plans\\p"},
        {"dir.d/sub/p.lst", "dir.d/sub/p"},
        {"plan.", "plan"},
        {"plan", nullptr},
        {".lst", nullptr},
        {"dir.d/plan", nullptr},
        {"dir/.lst", nullptr},
        {"dir.d\\plan", nullptr},
        {"", nullptr},
    };
    for (const BaseCase& c : cases) {
        std::optional<std::string> base = planBase(c.joined);
        if (c.base == nullptr) {
            EXPECT_FALSE(base.has_value()) << c.joined;
        } else {
            ASSERT_TRUE(base.has_value()) << c.joined;
            EXPECT_EQ(*base, c.base) << c.joined;
        }
    }
}

}  // namespace
}  // namespace tarnwick
