#pragma once

#include <functional>
#include <string>

namespace ks {

// A place to run work off the main thread. Work receives copies of what it needs and
// hands its results back through MainLoop::post.
class TaskQueue {
public:
    virtual ~TaskQueue() = default;
    virtual void async(std::function<void()> work) = 0;
    virtual const std::string& label() const = 0;
};

} // namespace ks
