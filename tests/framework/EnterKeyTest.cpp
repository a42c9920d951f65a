// The shared Enter handling of self-acting controls: asked for, marked on press, acted on once.
#include "framework/EnterKey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qs::CEnterKey;

TEST(EnterKey, AsksOnlyForTheEnterPress) {
    MSG enter{nullptr, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    MSG space{nullptr, WM_KEYDOWN, VK_SPACE, 0, 0, {}};
    MSG enterChar{nullptr, WM_CHAR, VK_RETURN, 0, 0, {}};
    EXPECT_EQ(CEnterKey::WantEnter(DLGC_WANTCHARS, reinterpret_cast<LPARAM>(&enter)),
              DLGC_WANTCHARS | DLGC_WANTMESSAGE);
    EXPECT_EQ(CEnterKey::WantEnter(DLGC_WANTCHARS, reinterpret_cast<LPARAM>(&space)), DLGC_WANTCHARS);
    EXPECT_EQ(CEnterKey::WantEnter(DLGC_WANTCHARS, reinterpret_cast<LPARAM>(&enterChar)), DLGC_WANTCHARS);
    EXPECT_EQ(CEnterKey::WantEnter(0, 0), 0);
}

// A sequence of steps ("down K", "up K", "forget") and the releases that act.
struct Case {
    const char* what;
    std::vector<std::string> steps;
    std::vector<bool> acts; // per "up" step
};

TEST(EnterKey, ActsOnceOnAReleaseOfAPressItSaw) {
    const Case cases[] = {
        {"press and release", {"down 13", "up 13"}, {true}},
        {"a second release", {"down 13", "up 13", "up 13"}, {true, false}},
        {"release without press", {"up 13"}, {false}},
        {"focus moved between", {"down 13", "forget", "up 13"}, {false}},
        {"other keys", {"down 32", "up 32", "down 13", "up 32", "up 13"}, {false, false, true}},
    };
    for (const Case& c : cases) {
        CEnterKey enter;
        std::vector<bool> acts;
        for (const std::string& step : c.steps) {
            if (step == "forget") {
                enter.Forget();
                continue;
            }
            const WPARAM key = static_cast<WPARAM>(std::stoi(step.substr(step.find(' ') + 1)));
            if (step.rfind("down", 0) == 0)
                EXPECT_EQ(enter.OnKeyDown(key), key == VK_RETURN) << c.what;
            else
                acts.push_back(enter.TakeRelease(key));
        }
        EXPECT_EQ(acts, c.acts) << c.what;
    }
}

} // namespace
