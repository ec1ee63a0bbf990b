#pragma once

namespace ks {

// Makes SIGTERM and SIGINT end the event loop of the running QCoreApplication with status
// 0, so the application shuts down as it does from its Quit item. Call once, after the
// application object exists.
bool quitOnTerminationSignals();

} // namespace ks
