#include "xtestkeyboard.h"

// Kept apart from every Qt header: Xlib's macros (KeyPress, None, Bool)
// collide with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace zel::bench {

namespace {

Display* display(void* d)
{
    return static_cast<Display*>(d);
}

} // namespace

XTestKeyboard::XTestKeyboard()
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        m_problem = "cannot open the X display";
        return;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &event, &error, &major, &minor)) {
        m_problem = "the X server has no XTest extension";
        XCloseDisplay(d);
        return;
    }
    m_display = d;
}

XTestKeyboard::~XTestKeyboard()
{
    if (m_display)
        XCloseDisplay(display(m_display));
}

bool XTestKeyboard::tap(const char* keyName)
{
    if (!m_display)
        return false;
    const KeySym sym = XStringToKeysym(keyName);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display(m_display), sym);
    if (code == 0)
        return false;
    XTestFakeKeyEvent(display(m_display), code, True, CurrentTime);
    XTestFakeKeyEvent(display(m_display), code, False, CurrentTime);
    XFlush(display(m_display));
    return true;
}

} // namespace zel::bench
