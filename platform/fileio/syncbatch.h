#pragma once
// Syncs many files and folders of a tree written by other means, several at
// a time: the file system then commits them together, where one after the
// other each sync waits for a commit of its own. Every sync is announced to
// the fault hook on the calling thread, in the order the syncs were added
// (a test that counts the steps sees the same steps as one sync at a time);
// a few threads of the batch run them. The first failure in that order is
// raised as WriteError.
#include <QString>

#include <functional>
#include <memory>

namespace platform::fileio {

class SyncBatch {
public:
    SyncBatch();
    // Waits for the syncs in flight; those not started are dropped.
    ~SyncBatch();
    SyncBatch(const SyncBatch &) = delete;
    SyncBatch &operator=(const SyncBatch &) = delete;

    // Announce the sync (Step::Sync, Step::SyncFolder), which raises an
    // injected fault, and queue it.
    void addFile(const QString &path);
    void addFolder(const QString &path);
    // Waits until every sync is done, calling `whileWaiting` (where given)
    // every few milliseconds meanwhile; then raises the first failure. What
    // `whileWaiting` raises ends the wait (the destructor drops the rest).
    void finish(const std::function<void()> &whileWaiting = {});

private:
    struct State;
    void add(const QString &path, bool folder);

    std::unique_ptr<State> m_state;
};

} // namespace platform::fileio
