#include "track/save_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Outcome { SAVED, FAILED, WRITE_IN_PLACE };

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

// Writes everything, syncs and closes `fd`; 0, or the error of the first step that failed.
int write_and_close(int fd, const char* data, size_t size)
{
    int error = 0;
    while (size > 0 && !error) {
        const ssize_t n = write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= (size_t)n;
        } else if (n == 0 || errno != EINTR) {
            error = n == 0 ? EIO : errno;
        }
    }
    // A device or pipe that cannot be synced (EINVAL) has nothing to wait for.
    if (!error && fsync(fd) != 0 && errno != EINVAL)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    return error;
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

Outcome save_by_rename(Save& save, const char* path, const struct stat* old)
{
    std::string tmp = std::string(path) + ".XXXXXX";
    const int fd = mkstemp(&tmp[0]);
    if (fd < 0)
        return WRITE_IN_PLACE;
    if (!take_identity(fd, old)) {
        close(fd);
        unlink(tmp.c_str());
        return WRITE_IN_PLACE;
    }
    announce(save);
    const int error = write_and_close(fd, save.data, save.size);
    if (!error && rename(tmp.c_str(), path) == 0)
        return SAVED;
    unlink(tmp.c_str());
    const bool fits_in_old_space = old && (off_t)save.size <= (off_t)old->st_blocks * 512;
    return !error || ((error == ENOSPC || error == EDQUOT) && fits_in_old_space) ? WRITE_IN_PLACE : FAILED;
}

bool write_in_place(Save& save, bool exists)
{
    const int fd = open(save.name, O_WRONLY | O_TRUNC | (exists ? 0 : O_CREAT), 0666);
    if (fd < 0)
        return false;
    announce(save);
    return write_and_close(fd, save.data, save.size) == 0;
}

} // namespace

// Two ways to save. Through a temporary file beside the target, synced and then renamed over
// it, wherever that leaves the file as it was apart from its contents: the target is missing or
// a regular file with one link, the directory lets the temporary file be made, and it can be
// given the target's owner, group and mode. A save cut short then leaves the old file whole.
// Everywhere else the file itself is truncated and written, as a plain overwrite does, so that
// a save works wherever the user may write the file: in a directory the user may not write,
// with other hard links to the file, for a file of another owner, to a device or pipe, and on
// a disk too full for a second copy when the old file's space holds the new contents.
bool save_file(const char* name, const char* data, size_t size, void (*opened)(const char* name))
{
    Save save{name, data, size, opened};
    struct stat target, link;
    const bool exists = stat(name, &target) == 0;
    if (name[0] == '\0' || (exists && (S_ISDIR(target.st_mode) || access(name, W_OK) != 0)))
        return false;
    // Through a symbolic link the file it points to is saved, never the link replaced.
    char resolved[PATH_MAX];
    const char* path = exists ? realpath(name, resolved) : lstat(name, &link) != 0 ? name : nullptr;
    if (path && (!exists || (S_ISREG(target.st_mode) && target.st_nlink == 1))) {
        const Outcome outcome = save_by_rename(save, path, exists ? &target : nullptr);
        if (outcome != WRITE_IN_PLACE)
            return outcome == SAVED;
    }
    return write_in_place(save, exists);
}
