#include "net/connection/net_message_box.h"

#include <mutex>
#include <string>

#include "platform/debug_output.h"

namespace {

std::mutex& BoxMutex() {
    static std::mutex mutex;
    return mutex;
}

NetMessageBoxProc& CurrentBox() {
    static NetMessageBoxProc box;
    return box;
}

}  // namespace

void SetNetMessageBox(NetMessageBoxProc box) {
    std::lock_guard lock(BoxMutex());
    CurrentBox() = std::move(box);
}

void NetMessageBox(std::string_view text, std::string_view caption) {
    NetMessageBoxProc box;
    {
        std::lock_guard lock(BoxMutex());
        box = CurrentBox();
    }
    if (box) {
        box(text, caption);
        return;
    }
    platform::DebugOutput(std::string(caption) + ": " + std::string(text));
}
