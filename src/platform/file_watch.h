// SPDX-License-Identifier: MIT
// Being told when a file changes, instead of looking at it again and again.
#pragma once

#include <functional>
#include <string>

namespace vantro {

/// Port: tells when a file was written, replaced (a rename onto it) or removed, on the run loop.
class FileWatch {
public:
    virtual ~FileWatch() = default;
    /// Watches `path` through its directory, so that a file renamed into place is seen too; replaces an
    /// earlier watch. False, with a log line, when it cannot be watched: then `changed` is never called.
    virtual bool watch(const std::string& path, std::function<void()> changed) = 0;
    /// No more calls after this returns.
    virtual void stop() = 0;
};

}  // namespace vantro
