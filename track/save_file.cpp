#include "track/save_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// A regular file written in place is read first, so that its contents can be put back when a
// write fails; trace data files are a few MB at most, larger files are not saved in place.
constexpr off_t IN_PLACE_LIMIT = 32 << 20;
const char TOO_LARGE[] = "the file is larger than 32 MiB, too large to be saved in place";
// How long a reader, of a FIFO say, may leave the data waiting before the save gives up.
constexpr int STALL_MS = 5000;

struct Save {
    const char* name;
    const char* data;
    size_t size;
    void (*opened)(const char* name);
};

void announce(Save& save)
{
    if (save.opened)
        save.opened(save.name);
    save.opened = nullptr;
}

SaveResult failure(SaveOutcome outcome, int error, const char* reason = nullptr)
{
    return {outcome, error, reason ? reason : std::strerror(error)};
}

// The temporary file beside the target, which a signal ending the program removes first.
char temporary[PATH_MAX];
volatile sig_atomic_t temporary_exists;
const int ending_signals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous_action[3], previous_pipe_action;

void remove_temporary_and_end(int signal)
{
    if (temporary_exists)
        unlink(temporary);
    for (int i = 0; i < 3; i++)
        if (ending_signals[i] == signal)
            sigaction(signal, &previous_action[i], nullptr);
    raise(signal); // handled as before once this handler returns
}

// For the time of a save: a signal that ends the program removes the temporary file first (one
// that is ignored stays ignored), and a reader leaving a pipe fails the write instead of ending
// the program.
void guard_signals()
{
    struct sigaction action{};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = remove_temporary_and_end;
    for (int i = 0; i < 3; i++)
        if (sigaction(ending_signals[i], nullptr, &previous_action[i]) == 0 &&
            previous_action[i].sa_handler != SIG_IGN)
            sigaction(ending_signals[i], &action, nullptr);
    action.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &action, &previous_pipe_action);
}

void release_signals()
{
    for (int i = 0; i < 3; i++)
        sigaction(ending_signals[i], &previous_action[i], nullptr);
    sigaction(SIGPIPE, &previous_pipe_action, nullptr);
}

// Writes everything at `offset` on, or at the stream's position when it is negative, waiting
// for a reader that is slow but not for one that takes nothing; 0, or the error that stopped it.
int write_all(int fd, const char* data, size_t size, off_t offset, size_t* written)
{
    while (size > 0) {
        const ssize_t n = offset >= 0 ? pwrite(fd, data, size, offset + (off_t)*written) : write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= (size_t)n;
            *written += (size_t)n;
            continue;
        }
        if (n == 0)
            return EIO;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return errno;
        pollfd ready{fd, POLLOUT, 0};
        const int polled = poll(&ready, 1, STALL_MS);
        if (polled == 0)
            return ETIMEDOUT;
        if (polled < 0 && errno != EINTR)
            return errno;
    }
    return 0;
}

// A device or pipe that cannot be synced (EINVAL) has nothing to wait for.
int sync_file(int fd)
{
    return fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
}

mode_t current_umask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// Gives the new file the owner, group and mode of the one it replaces, or a new file's usual mode.
bool take_identity(int fd, const struct stat* old)
{
    if (!old)
        return fchmod(fd, 0666 & ~current_umask()) == 0;
    struct stat now;
    if (fstat(fd, &now) != 0 || ((now.st_uid != old->st_uid || now.st_gid != old->st_gid) &&
                                 fchown(fd, old->st_uid, old->st_gid) != 0))
        return false;
    // After the owner, whose change clears the set-id bits; the system may refuse those silently.
    return fchmod(fd, old->st_mode & 07777) == 0 && fstat(fd, &now) == 0 &&
           (now.st_mode & 07777) == (old->st_mode & 07777);
}

// The names of a file's extended attributes, each ending in a NUL; none where the file system
// keeps none. False when they cannot be read.
bool attribute_names(const char* path, int fd, std::string* names)
{
    for (;;) {
        ssize_t n = path ? listxattr(path, nullptr, 0) : flistxattr(fd, nullptr, 0);
        if (n >= 0) {
            names->assign((size_t)n, '\0');
            n = path ? listxattr(path, &(*names)[0], names->size()) : flistxattr(fd, &(*names)[0], names->size());
        }
        if (n >= 0 || errno == ENOTSUP) {
            names->resize(n >= 0 ? (size_t)n : 0);
            return true;
        }
        if (errno != ERANGE) // ERANGE: the list grew meanwhile
            return false;
    }
}

// Gives the new file exactly the extended attributes of the old one, its ACL among them (the
// system.posix_acl_* attributes); false where that cannot be done.
bool copy_attributes(const char* from, int to)
{
    std::string names, present, value;
    if (!attribute_names(from, -1, &names) || !attribute_names(nullptr, to, &present))
        return false;
    const std::string listed = '\0' + names;
    for (const char* name = present.c_str(); name < present.c_str() + present.size(); name += std::strlen(name) + 1)
        if (listed.find('\0' + std::string(name) + '\0') == std::string::npos && fremovexattr(to, name) != 0)
            return false;
    for (const char* name = names.c_str(); name < names.c_str() + names.size(); name += std::strlen(name) + 1) {
        ssize_t n = getxattr(from, name, nullptr, 0);
        value.assign(n > 0 ? (size_t)n : 0, '\0');
        if (n < 0 || (n = getxattr(from, name, &value[0], value.size())) < 0 ||
            fsetxattr(to, name, value.data(), (size_t)n, 0) != 0)
            return false;
    }
    return true;
}

// Names the temporary file ".NAME.vemora-XXXXXX" beside `path`, hidden and telling whose it is;
// `dir` gets the directory. False when the name is too long.
bool name_temporary(const char* path, std::string* dir)
{
    const char* slash = std::strrchr(path, '/');
    *dir = slash ? std::string(path, slash == path ? 1 : (size_t)(slash - path)) : ".";
    const char* base = slash ? slash + 1 : path;
    const int n = std::snprintf(temporary, sizeof temporary, "%s/.%s.vemora-XXXXXX", dir->c_str(), base);
    return n > 0 && n < (int)sizeof temporary;
}

// Saves through a temporary file renamed over the target, then syncs the directory so that the
// rename outlasts a power cut. False when the file is to be written in place instead: the
// temporary file cannot be made or given the target's owner, mode and attributes, the rename
// is refused, or no second copy fits on the disk.
bool save_by_rename(Save& save, const char* path, const struct stat* old, SaveResult* result)
{
    std::string dir;
    const int dir_fd = name_temporary(path, &dir) ? open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    // Marked before it is made: a signal while mkostemp creates it (perhaps in another thread) then
    // finds its name already, or removes a name not yet taken.
    temporary_exists = dir_fd >= 0;
    const int fd = dir_fd < 0 ? -1 : mkostemp(temporary, O_CLOEXEC);
    if (fd < 0) {
        temporary_exists = 0;
        if (dir_fd >= 0)
            close(dir_fd);
        return false;
    }
    announce(save);
    size_t written = 0;
    int error = write_all(fd, save.data, save.size, 0, &written);
    // Owner, mode and attributes after the data, whose writing would clear set-id bits.
    bool in_place = !error && !(take_identity(fd, old) && (!old || copy_attributes(path, fd)));
    if (!error && !in_place)
        error = sync_file(fd);
    if (close(fd) != 0 && !error)
        error = errno;
    in_place = in_place || (!error && rename(temporary, path) != 0);
    const bool renamed = !error && !in_place;
    if (!renamed)
        unlink(temporary);
    temporary_exists = 0;
    if (renamed)
        error = sync_file(dir_fd);
    close(dir_fd);
    if (in_place || (!renamed && (error == ENOSPC || error == EDQUOT) && old))
        return false;
    *result = !error ? SaveResult{SAVE_DONE, 0, ""} : failure(renamed ? SAVE_FAILED_CHANGED : SAVE_FAILED, error);
    return true;
}

// The previous contents of a regular file in memory; false when they cannot be read.
bool read_all(int fd, off_t size, std::string* contents)
{
    contents->assign((size_t)size, '\0');
    size_t got = 0;
    for (ssize_t n = 1; got < contents->size() && n != 0; got += n > 0 ? (size_t)n : 0) {
        n = pread(fd, &(*contents)[got], contents->size() - got, (off_t)got);
        if (n < 0 && errno != EINTR)
            return false;
    }
    contents->resize(got);
    return true;
}

// The file as before a failed in-place write: the first `overwritten` bytes put back from
// `previous` (null: not read) and the `length` restored (negative: not a regular file), or a file
// the save created removed. True when that provably succeeded.
bool put_back(const Save& save, int fd, bool created, const std::string* previous, size_t overwritten, off_t length)
{
    struct stat opened, named;
    if (created)
        return fstat(fd, &opened) == 0 && lstat(save.name, &named) == 0 && S_ISREG(named.st_mode) &&
               named.st_ino == opened.st_ino && named.st_dev == opened.st_dev && unlink(save.name) == 0;
    if (overwritten > 0 && !previous)
        return false;
    size_t written = 0;
    const size_t back = previous ? std::min(overwritten, previous->size()) : 0;
    return (back == 0 || write_all(fd, previous->data(), back, 0, &written) == 0) &&
           (length < 0 || (ftruncate(fd, length) == 0 && sync_file(fd) == 0));
}

// Writes the file itself, as a plain overwrite does, but never leaves it cut short: the room for
// the new contents is reserved before anything is written, and a regular file's previous
// contents are kept to be put back if a write still fails.
SaveResult write_in_place(Save& save, const struct stat* old)
{
    const bool created = !old, regular = created || S_ISREG(old->st_mode);
    const int flags = O_NONBLOCK | O_CLOEXEC | (created ? O_CREAT : 0);
    // Only a regular file is opened for reading too: a FIFO opened so would be its own reader.
    int fd = open(save.name, (regular ? O_RDWR : O_WRONLY) | flags, 0666);
    const bool readable = fd >= 0 && regular;
    if (fd < 0 && regular && errno == EACCES) // writable but not readable: nothing to put back
        fd = open(save.name, O_WRONLY | flags, 0666);
    if (fd < 0 && errno == ENXIO && old && S_ISFIFO(old->st_mode))
        return failure(SAVE_FAILED, ENXIO, "no process is reading the FIFO");
    if (fd < 0)
        return failure(SAVE_FAILED, errno);
    struct stat now;
    std::string previous;
    int error = fstat(fd, &now) != 0 ? errno : regular && now.st_size > IN_PLACE_LIMIT ? EFBIG : 0;
    if (!error && readable && !read_all(fd, now.st_size, &previous))
        error = errno;
    if (error) {
        close(fd);
        return failure(SAVE_FAILED, error, error == EFBIG ? TOO_LARGE : nullptr);
    }
    announce(save);
    // The reservation fails cleanly on a full disk or quota, and is undone with the length;
    // where the file system cannot reserve, writing goes ahead and the previous contents stand by.
    const int reserved = regular && save.size > 0 ? posix_fallocate(fd, 0, (off_t)save.size) : 0;
    if (reserved != EOPNOTSUPP && reserved != EINVAL && reserved != ENODEV && reserved != EBADF)
        error = reserved;
    size_t overwritten = 0;
    if (!error)
        error = write_all(fd, save.data, save.size, regular ? 0 : -1, &overwritten);
    if (!error && regular) {
        overwritten = std::max(overwritten, (size_t)now.st_size); // a shorter file loses its end
        error = ftruncate(fd, (off_t)save.size) == 0 ? 0 : errno;
    }
    if (!error)
        error = sync_file(fd);
    const off_t length = readable ? (off_t)previous.size() : regular ? now.st_size : -1;
    const bool restored = error && put_back(save, fd, created, readable ? &previous : nullptr, overwritten, length);
    if (close(fd) != 0 && !error)
        return failure(SAVE_FAILED_CHANGED, errno);
    if (!error)
        return {SAVE_DONE, 0, ""};
    return failure(restored ? SAVE_FAILED : SAVE_FAILED_CHANGED, error,
                   error == ETIMEDOUT && !regular ? "nothing read the data for 5 seconds" : nullptr);
}

} // namespace

// Two ways to save. Through a temporary file beside the target, written, synced and then renamed
// over it, wherever that leaves the file as it was apart from its contents: the target is missing
// or a regular file with one link, the directory lets the temporary file be made, and it can be
// given the target's owner, group, mode and extended attributes. A save cut short then leaves
// the old file whole. Everywhere else the file itself is written, as a plain overwrite does, so
// that a save works wherever the user may write the file: in a directory the user may not write,
// with other hard links to the file, for a file of another owner, to a device or pipe, and on a
// disk too full for a second copy when the old file's space holds the new contents.
SaveResult save_file(const char* name, const char* data, size_t size, void (*opened)(const char* name))
{
    Save save{name, data, size, opened};
    struct stat target, link;
    const bool exists = stat(name, &target) == 0;
    if (name[0] == '\0')
        return failure(SAVE_FAILED, ENOENT);
    if (exists && S_ISDIR(target.st_mode))
        return failure(SAVE_FAILED, EISDIR);
    if (exists && access(name, W_OK) != 0)
        return failure(SAVE_FAILED, errno);
    // Through a symbolic link the file it points to is saved, never the link replaced.
    char resolved[PATH_MAX];
    const char* path = exists ? realpath(name, resolved) : lstat(name, &link) != 0 ? name : nullptr;
    guard_signals();
    SaveResult result;
    if (!path || (exists && (!S_ISREG(target.st_mode) || target.st_nlink != 1)) ||
        !save_by_rename(save, path, exists ? &target : nullptr, &result))
        result = write_in_place(save, exists ? &target : nullptr);
    release_signals();
    return result;
}
