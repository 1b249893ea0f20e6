// Faults the simulator injects into its replies, for tests.
//
// Counted faults apply to the next requests that arrive, from any client, in
// arrival order; standing faults (delay, hold, split) apply to every reply
// until they are switched off. Any thread may call any member.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace sim {

/// What the server does with one request instead of (or besides) replying normally.
enum class FaultAction {
    Reply,      // carry the request out and reply
    Drop,       // carry the request out, send no reply
    Exception,  // do not carry it out; answer with the chosen exception code
    Close,      // do not answer; close the connection (FIN)
    Reset,      // do not answer; reset the connection (RST, SO_LINGER 0)
};

/// The plan for one request, taken from the fault plan as the request arrives.
struct ReplyPlan {
    FaultAction action = FaultAction::Reply;
    uint8_t exceptionCode = 0;
    std::chrono::milliseconds delay{0};
    bool hold = false;   // keep the reply until holding is switched off
    bool split = false;  // write the reply one byte per send
};

class FaultPlan {
public:
    /// Every reply leaves `delay` after its request arrived (0 = at once).
    void SetReplyDelay(std::chrono::milliseconds delay);
    /// While on, replies are kept back; switching it off sends them all, in order.
    void SetHoldReplies(bool hold);
    bool Holding() const;
    /// The next `count` requests are carried out but get no reply.
    void DropNextReplies(int count);
    /// The next `count` requests are answered with exception `code` and not carried out.
    void AnswerNextWithException(uint8_t code, int count = 1);
    /// While on, every reply is written one byte per send.
    void SetSplitReplies(bool split);
    /// The next request closes its connection instead of being answered.
    void CloseOnNextRequest();
    /// The next request resets its connection instead of being answered.
    void ResetOnNextRequest();
    /// Back to plain replies (held replies are released).
    void Clear();

    /// Takes the plan for the request that has just arrived (server thread).
    ReplyPlan Next();

    /// Called after every change, so the server looks at the plan again.
    void SetChangedHook(std::function<void()> hook);

private:
    void Changed();

    mutable std::mutex mutex_;
    std::chrono::milliseconds delay_{0};
    bool hold_ = false;
    bool split_ = false;
    int drops_ = 0;
    int exceptions_ = 0;
    uint8_t exceptionCode_ = 0;
    int closes_ = 0;
    int resets_ = 0;
    std::function<void()> changed_;
};

}  // namespace sim
