// The message boxes a test's code showed, on either Win32: our subset's headless host logs
// them, the real one is watched through a thread hook. Each box is answered with OK.
#pragma once

#include <string>
#include <vector>

namespace platform_test {

struct Box {
    std::string text;
    std::string caption;
};

// Starts recording; call once before the code under test shows any box.
void watch_message_boxes();
// The boxes shown since the last call, oldest first.
std::vector<Box> take_message_boxes();

}  // namespace platform_test
