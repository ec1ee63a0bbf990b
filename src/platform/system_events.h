#pragma once

namespace ks {

// Watches one kind of system event (wake, workspace, displays, clock, time zone, look) and
// posts its notification into the application's notification centre on the main loop while
// it lives. One that cannot reach its service logs that once and never posts.
class SystemEventSource {
public:
    virtual ~SystemEventSource() = default;
};

} // namespace ks
