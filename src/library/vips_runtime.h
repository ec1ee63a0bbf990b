#pragma once

namespace ks {

// Starts libvips once per process, from whichever thread gets here first, with its
// operation cache off (decoded pictures must not linger in memory). False when libvips
// could not start; nothing can be decoded then.
bool ensureVipsStarted();

} // namespace ks
