// A small X11 client for the end-to-end test: waits for a top-level window by its title and types
// keys into it the way a user's keyboard would reach it (input focus, then key press and release).
//   x_keys wait  TITLE TIMEOUT_MS   exit 0 once a viewable window with that title exists
//   x_keys gone  TITLE TIMEOUT_MS   exit 0 once no viewable window has that title
//   x_keys key   TITLE KEYS         KEYS like "Escape", "Return", "ctrl+x", "alt+Return"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

bool TitleIs(Display* display, Window window, const std::string& title) {
    char* name = nullptr;
    bool match = false;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        match = title == name;
        XFree(name);
    }
    return match;
}

Window Find(Display* display, Window parent, const std::string& title) {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable && TitleIs(display, children[i], title)) {
            found = children[i];
        } else {
            found = Find(display, children[i], title);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

Window Wait(Display* display, const std::string& title, long timeoutMs, bool present) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const Window window = Find(display, DefaultRootWindow(display), title);
        if ((window != 0) == present) {
            return present ? window : 1;
        }
        if (std::chrono::steady_clock::now() > end) {
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void SendKey(Display* display, Window window, KeySym keysym, unsigned int modifiers) {
    XKeyEvent event{};
    event.display = display;
    event.window = window;
    event.root = DefaultRootWindow(display);
    event.subwindow = None;
    event.time = CurrentTime;
    event.x = event.y = event.x_root = event.y_root = 1;
    event.same_screen = True;
    event.state = modifiers;
    event.keycode = XKeysymToKeycode(display, keysym);
    event.type = KeyPress;
    XSendEvent(display, window, True, KeyPressMask, reinterpret_cast<XEvent*>(&event));
    event.type = KeyRelease;
    XSendEvent(display, window, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
    XFlush(display);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: x_keys wait|gone|key TITLE ARG\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x_keys: cannot open the display\n");
        return 2;
    }
    const std::string command = argv[1];
    const std::string title = argv[2];
    int status = 0;
    if (command == "wait" || command == "gone") {
        status = Wait(display, title, std::strtol(argv[3], nullptr, 10), command == "wait") != 0 ? 0 : 1;
        if (status != 0) {
            std::fprintf(stderr, "x_keys: timed out waiting for \"%s\" (%s)\n", title.c_str(),
                         command.c_str());
        }
    } else if (command == "key") {
        const Window window = Find(display, DefaultRootWindow(display), title);
        if (window == 0) {
            std::fprintf(stderr, "x_keys: no window \"%s\"\n", title.c_str());
            status = 1;
        } else {
            // Modifiers before the last "+", the key after it.
            std::string keys = argv[3];
            unsigned int modifiers = 0;
            for (std::size_t plus; (plus = keys.find('+')) != std::string::npos; keys.erase(0, plus + 1)) {
                const std::string modifier = keys.substr(0, plus);
                modifiers |= modifier == "ctrl" ? ControlMask : modifier == "alt" ? Mod1Mask : ShiftMask;
            }
            const KeySym keysym = XStringToKeysym(keys.c_str());
            if (keysym == NoSymbol) {
                std::fprintf(stderr, "x_keys: unknown key \"%s\"\n", keys.c_str());
                status = 2;
            } else {
                XRaiseWindow(display, window);
                XSetInputFocus(display, window, RevertToParent, CurrentTime);
                XSync(display, False);
                // Let the program see the focus change before the key arrives.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                SendKey(display, window, keysym, modifiers);
                XSync(display, False);
            }
        }
    } else {
        status = 2;
    }
    XCloseDisplay(display);
    return status;
}
