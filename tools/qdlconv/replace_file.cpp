#include "replace_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// The temporary file being written, for the signal handler to remove; null
// while there is none. It changes only while the stop signals are blocked,
// so the handler never sees a file created but not yet recorded, or renamed
// but still recorded.
const char* volatile pendingTemporary = nullptr;

extern "C" void removeTemporaryAndStop(int signalNumber)
{
    if (pendingTemporary)
        unlink(pendingTemporary);
    // SA_RESETHAND has restored the default action: the signal raised again
    // ends the process as it would have without the handler.
    raise(signalNumber);
}

sigset_t stopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, signalNumber);
    return signals;
}

// A signal that is ignored (nohup, or SIGINT in a background job) stays so.
void installStopHandlers()
{
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeTemporaryAndStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(signalNumber, &action, nullptr);
    }
}

// Creates the temporary file and records it for the handler as one step.
int createTemporary(const std::string& temporary)
{
    const sigset_t stops = stopSignals();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &stops, &previous);
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file >= 0)
        pendingTemporary = temporary.c_str();
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return file;
}

// Renames the temporary file over target when keep is set, else (or when the
// rename fails) removes it; either way forgets it, as one step.
bool settleTemporary(const std::string& temporary, const std::string& target, bool keep)
{
    const sigset_t stops = stopSignals();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &stops, &previous);
    const bool renamed = keep && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!renamed)
        unlink(temporary.c_str());
    pendingTemporary = nullptr;
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return renamed;
}

// The file that writing to path replaces: path itself or, when path is a
// symbolic link, the end of its chain (which need not exist yet), so that
// the link stays a link. A relative link counts from its own directory.
bool resolveLinks(const std::string& path, std::string& target, std::string& error)
{
    target = path;
    for (int links = 0; links < 40; ++links) {
        struct stat status;
        if (lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return true;
        char link[PATH_MAX];
        const ssize_t length = readlink(target.c_str(), link, sizeof link);
        if (length <= 0 || static_cast<size_t>(length) == sizeof link)
            break;
        std::string next(link, static_cast<size_t>(length));
        const size_t slash = target.rfind('/');
        if (next[0] != '/' && slash != std::string::npos)
            next = target.substr(0, slash + 1) + next;
        target = next;
    }
    error = "cannot follow the symbolic link " + path;
    return false;
}

bool writeAll(int file, const ByteSpan& part)
{
    size_t done = 0;
    while (done < part.size) {
        const ssize_t written = write(file, part.data + done, part.size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

bool writeFileWhole(const std::string& path, std::initializer_list<ByteSpan> parts, std::string& error)
{
    std::string target;
    if (!resolveLinks(path, target, error))
        return false;
    struct stat existing;
    const bool replacing = stat(target.c_str(), &existing) == 0;
    const std::string temporary = target + "." + std::to_string(getpid()) + ".tmp";
    installStopHandlers();
    const int file = createTemporary(temporary);
    if (file < 0) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool written = !replacing || fchmod(file, existing.st_mode & 0777) == 0;
    for (const ByteSpan& part : parts)
        written = written && writeAll(file, part);
    written = written && fsync(file) == 0;
    written = close(file) == 0 && written;
    if (!settleTemporary(temporary, target, written)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
