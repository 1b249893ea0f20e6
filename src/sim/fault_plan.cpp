#include "sim/fault_plan.h"

#include <algorithm>

namespace sim {

void FaultPlan::SetReplyDelay(std::chrono::milliseconds delay) {
    {
        std::lock_guard lock(mutex_);
        delay_ = std::max(delay, std::chrono::milliseconds{0});
    }
    Changed();
}

void FaultPlan::SetHoldReplies(bool hold) {
    {
        std::lock_guard lock(mutex_);
        hold_ = hold;
    }
    Changed();
}

bool FaultPlan::Holding() const {
    std::lock_guard lock(mutex_);
    return hold_;
}

void FaultPlan::DropNextReplies(int count) {
    {
        std::lock_guard lock(mutex_);
        drops_ = std::max(count, 0);
    }
    Changed();
}

void FaultPlan::AnswerNextWithException(uint8_t code, int count) {
    {
        std::lock_guard lock(mutex_);
        exceptionCode_ = code;
        exceptions_ = std::max(count, 0);
    }
    Changed();
}

void FaultPlan::SetSplitReplies(bool split) {
    {
        std::lock_guard lock(mutex_);
        split_ = split;
    }
    Changed();
}

void FaultPlan::CloseOnNextRequest() {
    {
        std::lock_guard lock(mutex_);
        closes_ = 1;
    }
    Changed();
}

void FaultPlan::ResetOnNextRequest() {
    {
        std::lock_guard lock(mutex_);
        resets_ = 1;
    }
    Changed();
}

void FaultPlan::Clear() {
    {
        std::lock_guard lock(mutex_);
        delay_ = std::chrono::milliseconds{0};
        hold_ = split_ = false;
        drops_ = exceptions_ = closes_ = resets_ = 0;
    }
    Changed();
}

ReplyPlan FaultPlan::Next() {
    std::lock_guard lock(mutex_);
    ReplyPlan plan{FaultAction::Reply, 0, delay_, hold_, split_};
    // A connection fault wins over a reply fault; each counted fault is used up once.
    if (resets_ > 0) {
        --resets_;
        plan.action = FaultAction::Reset;
    } else if (closes_ > 0) {
        --closes_;
        plan.action = FaultAction::Close;
    } else if (drops_ > 0) {
        --drops_;
        plan.action = FaultAction::Drop;
    } else if (exceptions_ > 0) {
        --exceptions_;
        plan.action = FaultAction::Exception;
        plan.exceptionCode = exceptionCode_;
    }
    return plan;
}

void FaultPlan::SetChangedHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    changed_ = std::move(hook);
}

void FaultPlan::Changed() {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        hook = changed_;
    }
    if (hook) hook();
}

}  // namespace sim
