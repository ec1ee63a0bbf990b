#pragma once

#include "base/log.h"

#include <atomic>
#include <cstdlib>
#include <string>
#include <string_view>

namespace ks {

// The process-wide instance of a service, set by the one place that builds the application's
// services and owns them. Asking for it before that place made it is a programming error
// that must not pass unnoticed (a service made on the side would run on no main loop, or on
// another settings file): it logs and aborts.
template <typename T> class ProcessInstance {
public:
    static void set(T* instance) { slot().store(instance); }
    static T* find() { return slot().load(); }
    static T& get(std::string_view who) {
        T* instance = slot().load();
        if (!instance) {
            logLine(std::string(who) + ": used before the application made it");
            std::abort();
        }
        return *instance;
    }

private:
    static std::atomic<T*>& slot() {
        static std::atomic<T*> instance{nullptr};
        return instance;
    }
};

} // namespace ks
