// Another program holding the clipboard open, as a clipboard manager does
// while it reads it.
#pragma once

#include <windows.h>

#include <thread>

namespace tarnwick::testing {

// Holds the clipboard open, unchanged, until let_go() or the end of its
// scope, also when a check fails half-way. It holds it from a message-only
// window (with a null window, Wine lets others in) on a thread of its own that
// keeps answering messages, as a real program does: Wine sends the
// clipboard's owner a message whenever another program opens the clipboard,
// and that program ends only once the owner has answered it, or after 5 s.
class ClipboardHolder {
public:
    ClipboardHolder();
    ~ClipboardHolder() { let_go(); }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    bool holding() const { return holding_; }
    void let_go();

private:
    std::thread thread_;
    DWORD threadId_ = 0;
    bool holding_ = false;
};

}  // namespace tarnwick::testing
