#pragma once

#include <string>

namespace zel::bench {

// A keyboard of the X server's own, through the XTest extension: its keys
// arrive at the focused window exactly as a real key press does, through the
// server and the toolkit's input queue. Uses a display connection of its own,
// so it may live on any one thread.
class XTestKeyboard {
public:
    XTestKeyboard();
    ~XTestKeyboard();
    XTestKeyboard(const XTestKeyboard&) = delete;
    XTestKeyboard& operator=(const XTestKeyboard&) = delete;

    // Empty when the keyboard works; otherwise why not.
    const std::string& problem() const { return m_problem; }
    // Presses and releases a key named as X names it ("1", "BackSpace") and
    // hands both events to the server at once.
    bool tap(const char* keyName);

private:
    void* m_display = nullptr;
    std::string m_problem;
};

} // namespace zel::bench
