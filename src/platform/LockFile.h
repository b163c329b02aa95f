#pragma once

#include <QString>

// The lock files by which Linux serial programs tell each other that a device is taken: a file
// LCK..<device> in the lock folder (/var/lock, or the folder named by QUORVEL_LOCK_DIR) that
// holds the owner's process id as ten ASCII digits and a newline.
namespace LockFile {

enum class Result {
    Locked, // the lock file is ours now
    InUse,  // a live process holds the device
    None,   // no lock file could be made (no folder, not writable): go on without one
};

// The lock file's path for a device path (links resolved: every name of a device locks alike).
QString PathFor(const QString& Device);
// Takes the device's lock file, removing one left by a process that is gone. Created is the
// file made, to be handed to Release; empty unless the result is Locked.
Result Acquire(const QString& Device, QString& Created);
// Removes a lock file made by Acquire, as long as it is still ours.
void Release(const QString& Created);

} // namespace LockFile
