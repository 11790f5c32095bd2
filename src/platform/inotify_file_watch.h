// SPDX-License-Identifier: MIT
// The file watch on Linux: inotify on the file's directory, read on a thread that sleeps until it changes.
#pragma once

#include "platform/debug_log.h"
#include "platform/file_watch.h"
#include "platform/run_loop.h"

#include <atomic>
#include <memory>
#include <thread>

namespace vantro {

/// Watches with inotify; the thread blocks in poll() and posts one call per burst of changes onto the run
/// loop, so an idle companion is not woken. The run loop's post must take calls from other threads.
class InotifyFileWatch : public FileWatch {
public:
    InotifyFileWatch(RunLoop& loop, DebugLog& log) : m_loop(loop), m_log(log) {}
    ~InotifyFileWatch() override;
    InotifyFileWatch(const InotifyFileWatch&) = delete;
    InotifyFileWatch& operator=(const InotifyFileWatch&) = delete;

    bool watch(const std::string& path, std::function<void()> changed) override;
    void stop() override;

private:
    struct Shared;
    void run(int inotifyFd, int stopFd, std::string name);

    RunLoop& m_loop;
    DebugLog& m_log;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    int m_inotify = -1;
    int m_stop = -1;
};

}  // namespace vantro
