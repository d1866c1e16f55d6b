// Types keys into a top-level X11 window found by its title, the way a user at the keyboard would reach
// menus and accelerators. It needs only Xlib: no window manager and no XTest extension. The end-to-end
// test, the install test and scripts/screenshots.sh all drive the program through it.
//
//   tarnix_x11_keys [--timeout S] [--gone] TITLE [KEY...]
//
// Waits up to S seconds (default 30) for a mapped window titled TITLE. Given keys, it raises the window
// and gives it the input focus (so the toolkit makes it the active window), then sends each KEY:
// "ctrl+x", "alt+t", "End", "Return" (modifiers ctrl, alt, shift joined by "+" to an X keysym name), or
// "pause:MS" to wait. Without keys it only waits, so a short-lived window such as a splash is not held
// up. With --gone it then waits until that window is unmapped or destroyed. Exit status: 0 done,
// 1 usage, 2 no display, 3 window not found, 4 unknown key, 5 window still there.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string WindowTitle(Display* display, Window window) {
    std::string title;
    // _NET_WM_NAME (UTF-8) first; WM_NAME for clients that only set the old property.
    Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (type == utf8 && format == 8) {
            title.assign(reinterpret_cast<const char*>(data), count);
        }
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) != 0 && name != nullptr) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

bool MappedAndViewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

// Depth-first search below `parent` for a viewable window with the title.
Window FindWindow(Display* display, Window parent, const std::string& title) {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        if (WindowTitle(display, children[i]) == title && MappedAndViewable(display, children[i])) {
            found = children[i];
        } else {
            found = FindWindow(display, children[i], title);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

// Errors such as BadWindow for a window that vanished during the walk are expected and harmless.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

struct Key {
    KeySym symbol = NoSymbol;
    unsigned int state = 0;
};

bool ParseKey(const std::string& text, Key& key) {
    std::string rest = text;
    for (;;) {
        const std::size_t plus = rest.find('+');
        if (plus == std::string::npos || plus + 1 == rest.size()) {
            break;
        }
        const std::string modifier = rest.substr(0, plus);
        if (modifier == "ctrl") {
            key.state |= ControlMask;
        } else if (modifier == "alt") {
            key.state |= Mod1Mask;
        } else if (modifier == "shift") {
            key.state |= ShiftMask;
        } else {
            return false;
        }
        rest = rest.substr(plus + 1);
    }
    key.symbol = XStringToKeysym(rest.c_str());
    return key.symbol != NoSymbol;
}

void SendKey(Display* display, Window window, const Key& key) {
    XKeyEvent event{};
    event.display = display;
    event.window = window;
    event.root = DefaultRootWindow(display);
    event.subwindow = None;
    event.time = CurrentTime;
    event.x = event.y = event.x_root = event.y_root = 1;
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(display, key.symbol);
    event.state = key.state;
    event.type = KeyPress;
    XSendEvent(display, window, True, KeyPressMask, reinterpret_cast<XEvent*>(&event));
    event.type = KeyRelease;
    XSendEvent(display, window, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
    XFlush(display);
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

int main(int argc, char* argv[]) {
    int timeoutSeconds = 30;
    bool waitGone = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            timeoutSeconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--gone") == 0) {
            waitGone = true;
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.empty()) {
        std::fprintf(stderr, "usage: %s [--timeout S] [--gone] TITLE [KEY...]\n", argv[0]);
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x11_keys: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    const std::string& title = args.front();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    Window window = 0;
    while ((window = FindWindow(display, DefaultRootWindow(display), title)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "x11_keys: no window titled \"%s\" within %d s\n", title.c_str(),
                         timeoutSeconds);
            XCloseDisplay(display);
            return 3;
        }
        Pause(200);
    }
    if (args.size() > 1) {
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XSync(display, False);
        // Let the toolkit see the focus change before the first key arrives.
        Pause(500);
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].rfind("pause:", 0) == 0) {
            Pause(std::atoi(args[i].c_str() + 6));
            continue;
        }
        Key key;
        if (!ParseKey(args[i], key)) {
            std::fprintf(stderr, "x11_keys: unknown key \"%s\"\n", args[i].c_str());
            XCloseDisplay(display);
            return 4;
        }
        SendKey(display, window, key);
        Pause(400);
    }
    int status = 0;
    if (waitGone) {
        while (MappedAndViewable(display, window)) {
            if (std::chrono::steady_clock::now() > deadline + std::chrono::seconds(timeoutSeconds)) {
                std::fprintf(stderr, "x11_keys: window \"%s\" still open\n", title.c_str());
                status = 5;
                break;
            }
            Pause(200);
        }
    }
    XCloseDisplay(display);
    return status;
}
