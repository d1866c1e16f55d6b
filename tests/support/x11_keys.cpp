// Types keys into a top-level X11 window found by its title, as a user at the keyboard would; Xlib only, no
// window manager or XTest. The end-to-end and install tests and scripts/screenshots.sh drive the program
// with it:   tarnix_x11_keys [--timeout S] [--gone] TITLE [KEY...]
// It waits up to S seconds (default 30) for a mapped window titled TITLE; given keys, it raises and focuses
// it and sends each KEY ("ctrl+x", "alt+t", "End": modifiers joined by "+" to a keysym name, or "pause:MS").
// --gone then waits until the window is unmapped. Exit: 0 done, 1 usage, 2 no display, 3 window not found,
// 4 unknown key, 5 window still there.
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

std::string TextProperty(Display* display, Window window, const char* name) {
    XTextProperty property{};
    std::string text;
    if (XGetTextProperty(display, window, &property, XInternAtom(display, name, False)) != 0 &&
        property.value != nullptr) {
        if (property.format == 8) {
            text.assign(reinterpret_cast<const char*>(property.value), property.nitems);
        }
        XFree(property.value);
    }
    return text;
}

// _NET_WM_NAME (UTF-8) first; WM_NAME for clients that only set the old property.
std::string WindowTitle(Display* display, Window window) {
    const std::string title = TextProperty(display, window, "_NET_WM_NAME");
    return title.empty() ? TextProperty(display, window, "WM_NAME") : title;
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

// Sends "ctrl+alt+shift+KEYSYM" as a press and a release; false for an unknown modifier or keysym.
bool SendKey(Display* display, Window window, std::string text) {
    unsigned int state = 0;
    for (std::size_t plus = text.find('+'); plus != std::string::npos && plus + 1 < text.size();
         plus = text.find('+')) {
        const std::string modifier = text.substr(0, plus);
        if (modifier == "ctrl") {
            state |= ControlMask;
        } else if (modifier == "alt") {
            state |= Mod1Mask;
        } else if (modifier == "shift") {
            state |= ShiftMask;
        } else {
            return false;
        }
        text.erase(0, plus + 1);
    }
    const KeySym symbol = XStringToKeysym(text.c_str());
    if (symbol == NoSymbol) {
        return false;
    }
    XKeyEvent event{};
    event.display = display;
    event.window = window;
    event.root = DefaultRootWindow(display);
    event.subwindow = None;
    event.time = CurrentTime;
    event.x = event.y = event.x_root = event.y_root = 1;
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(display, symbol);
    event.state = state;
    event.type = KeyPress;
    XSendEvent(display, window, True, KeyPressMask, reinterpret_cast<XEvent*>(&event));
    event.type = KeyRelease;
    XSendEvent(display, window, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
    XFlush(display);
    return true;
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
    const auto finish = [display](int status, const std::string& message) {
        if (!message.empty()) {
            std::fprintf(stderr, "x11_keys: %s\n", message.c_str());
        }
        XCloseDisplay(display);
        return status;
    };
    const std::string& title = args.front();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    Window window = 0;
    while ((window = FindWindow(display, DefaultRootWindow(display), title)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return finish(3, "no window titled \"" + title + "\" within " + std::to_string(timeoutSeconds) +
                                 " s");
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
        } else if (SendKey(display, window, args[i])) {
            Pause(400);
        } else {
            return finish(4, "unknown key \"" + args[i] + "\"");
        }
    }
    while (waitGone && MappedAndViewable(display, window)) {
        if (std::chrono::steady_clock::now() > deadline + std::chrono::seconds(timeoutSeconds)) {
            return finish(5, "window \"" + title + "\" still open");
        }
        Pause(200);
    }
    return finish(0, "");
}
