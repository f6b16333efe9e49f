#pragma once

#include <QLockFile>
#include <QString>

#include <chrono>

// Makes a save's check and write one step between copies of the program: while one copy holds
// the lock, from its check that the file is as it last saw it until the new file is in place,
// another copy's save waits.
//
// The lock is the file "<settings file>.lock" beside the settings file (QLockFile). A lock left
// by a copy that was killed is taken over at once (its process is gone), and one older than half
// a minute in any case. Where the folder refuses new files, a save rewrites the settings file in
// place, so it stays the same file: that file itself is locked instead (flock, on Unix).
class SaveLock
{
public:
    enum class State {
        Held,        // this save may go on
        Busy,        // another copy held it for the whole wait
        Unavailable, // nothing could be locked (no folder, no file): the save goes on unlocked
    };

    SaveLock(const QString& settingsFile, std::chrono::milliseconds wait);
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    State state() const { return m_state; }
    static QString lockFileName(const QString& settingsFile);

private:
    QLockFile m_lockFile;
    int m_lockedFile = -1; // the settings file's descriptor, when it is what is locked
    State m_state = State::Unavailable;
};
