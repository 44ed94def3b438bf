#pragma once

// Whose code runs on this thread: an add-on's, or the host's (or the operating system's). The host
// marks every call it makes into an add-on (entry points, handlers, script functions, panel
// events) and every call the add-on makes back into it or into a system service, so that the
// host's tools can tell whose work an allocation or a failure is.

namespace GS {

// True while code of an add-on runs on this thread.
bool AddOnCodeRunning();

// Marks, until it ends, that code of an add-on (true) or not (false) runs on this thread.
class AddOnCodeScope {
public:
    explicit AddOnCodeScope(bool addOn);
    ~AddOnCodeScope();
    AddOnCodeScope(const AddOnCodeScope&) = delete;
    AddOnCodeScope& operator=(const AddOnCodeScope&) = delete;

private:
    bool previous;
};

} // namespace GS
