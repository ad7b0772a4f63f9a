// An ordered record of the calls that test listeners receive, shared by several listeners, with
// an optional action run inside the call (to remove, add or destroy something mid-dispatch).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tolva::test {

class CallRecorder {
public:
    CallRecorder(std::vector<std::string>& calls, std::string name)
        : mCalls(calls)
        , mName(std::move(name))
    {
    }

    /// Appends the name (or "name:detail"), then runs onCall.
    void record(const std::string& detail = std::string())
    {
        mCalls.push_back(detail.empty() ? mName : mName + ":" + detail);
        if (onCall) {
            onCall();
        }
    }

    std::function<void()> onCall;

private:
    std::vector<std::string>& mCalls;
    std::string mName;
};

} // namespace tolva::test
