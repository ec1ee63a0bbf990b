#include "base/thread_name.h"

#include <string>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace ks {

void nameThisThread(std::string_view label) {
#if defined(__linux__)
    if (const auto dot = label.rfind('.'); dot != std::string_view::npos)
        label.remove_prefix(dot + 1);
    const std::string name(label.substr(0, 15));
    pthread_setname_np(pthread_self(), name.c_str());
#else
    (void)label;
#endif
}

} // namespace ks
