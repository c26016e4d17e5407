#include "sim/AtomicFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "sim/FileDescriptor.h"

namespace {

// Interrupted writes. A signal handler may only do what is async-signal-safe,
// so everything it needs is prepared before the temporary file exists: each
// write in progress holds a slot with the file's full name in a fixed buffer
// and a lock-free state. The handler unlinks every live name and re-raises the
// signal with its default action. The writer creates the file with the
// signals blocked in its own thread and marks the slot live before
// unblocking; a handler that runs on another thread meanwhile waits for that
// (Creating). A name is freed only after its file was renamed or removed, so
// the handler never unlinks a file that is not ours.
enum SlotState : int { FREE, CLAIMED, CREATING, LIVE };

struct TempSlot {
    std::atomic<int> state{FREE};
    char path[PATH_MAX] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);

// A study writes a file per thread (--jobs, at most 1024) while its records
// file stays open throughout; untouched slots cost no memory. A write that
// finds no free slot is refused rather than left unprotected.
constexpr int SLOT_COUNT = 1024 + 64;
TempSlot tempSlots[SLOT_COUNT];

// Set by the handler before it removes anything: from then on no thread
// creates a temporary file (a study's other threads run until the process
// ends), so nothing is created behind the handler's back.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int INTERRUPTS[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempFilesAndEnd(int signal)
{
    // Sequentially consistent with the creator's CREATING store and its
    // check of this flag: either it sees the flag and creates nothing, or
    // this handler sees CREATING and waits to unlink the file.
    interrupted.store(true);
    for (TempSlot& slot : tempSlots) {
        // The creating thread is between open() and marking the slot: a
        // few microseconds, unless the file system hangs.
        for (int waited = 0; slot.state.load() == CREATING && waited < 1000; ++waited) {
            const timespec pause{0, 1000000};
            ::nanosleep(&pause, nullptr);
        }
        if (slot.state.load() == LIVE) ::unlink(slot.path);
    }
    // SA_RESETHAND restored the default action; it ends the process when the
    // handler returns and the signal is unblocked.
    ::raise(signal);
}

// Blocks the interrupts in this thread for its lifetime.
class InterruptBlock {
public:
    InterruptBlock() noexcept
    {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : INTERRUPTS) sigaddset(&set, signal);
        pthread_sigmask(SIG_BLOCK, &set, &saved);
    }
    ~InterruptBlock() { pthread_sigmask(SIG_SETMASK, &saved, nullptr); }
    InterruptBlock(const InterruptBlock&) = delete;
    InterruptBlock& operator=(const InterruptBlock&) = delete;

private:
    sigset_t saved{};
};

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

std::string Reason(int error)
{
    return std::strerror(error);
}

WriteResult Failure(StatusCode code, std::string message)
{
    return WriteResult{code, std::move(message)};
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Six letters or digits, new for every call.
std::string RandomSuffix()
{
    static const char LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        static std::atomic<unsigned> counter{0};
        const auto mix = static_cast<unsigned>(::getpid()) * 2654435761u ^
                         static_cast<unsigned>(::time(nullptr)) ^ counter.fetch_add(7919);
        for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(mix >> (i * 5));
    }
    std::string suffix;
    for (const unsigned char b : bytes) suffix += LETTERS[b % (sizeof LETTERS - 1)];
    return suffix;
}

// The temporary name's stem: the target's name cut so that "." + stem + "." +
// six characters fits the folder's limit, at a UTF-8 character boundary.
std::string TempStem(const std::string& folder, const std::string& name)
{
    long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (limit <= 0) limit = NAME_MAX;
    const auto room = static_cast<std::size_t>(limit > 8 ? limit - 8 : 0);
    if (name.size() <= room) return name;
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

// The temporary file of one write: created with O_EXCL, registered for the
// signal handler, and removed by the destructor unless committed.
class TempFile {
public:
    TempFile() = default;
    ~TempFile()
    {
        fd.Close();
        if (created && !committed) ::unlink(name.c_str());
        if (slot != nullptr) slot->state.store(FREE);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates the file in `folder`; errno is set on failure.
    bool Create(const std::string& folder, const std::string& targetName, mode_t mode)
    {
        const std::string stem = folder + "/." + TempStem(folder, targetName) + ".";
        if (stem.size() + 6 >= PATH_MAX) {
            errno = ENAMETOOLONG;
            return false;
        }
        for (TempSlot& candidate : tempSlots) {
            int expected = FREE;
            if (candidate.state.compare_exchange_strong(expected, CLAIMED)) {
                slot = &candidate;
                break;
            }
        }
        if (slot == nullptr) {
            errno = EMFILE;
            return false;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            name = stem + RandomSuffix();
            InterruptBlock block;
            if (interrupted.load()) {
                errno = EINTR;
                break;
            }
            std::memcpy(slot->path, name.c_str(), name.size() + 1);
            slot->state.store(CREATING);
            if (interrupted.load()) {
                slot->state.store(CLAIMED);
                errno = EINTR;
                break;
            }
            const int opened = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            const int error = errno;
            slot->state.store(opened >= 0 ? LIVE : CLAIMED);
            if (opened >= 0) {
                fd = FileDescriptor(opened);
                this->created = true;
                return true;
            }
            errno = error;
            if (error != EEXIST) break;
        }
        name.clear();
        return false;
    }

    int Get() const noexcept { return fd.Get(); }
    bool Close() noexcept { return fd.Close(); }
    const std::string& Name() const noexcept { return name; }

    // Renames the file over `target`; errno is set on failure.
    bool CommitTo(const std::string& target)
    {
        InterruptBlock block;
        if (::rename(name.c_str(), target.c_str()) != 0) return false;
        committed = true;
        if (slot != nullptr) slot->state.store(CLAIMED);
        return true;
    }

private:
    FileDescriptor fd;
    TempSlot* slot = nullptr;
    std::string name;
    bool created = false;
    bool committed = false;
};

bool SyncRegularFile(int fd, WriteOptions options)
{
    if (!options.sync) return true;
    while (::fsync(fd) != 0)
        if (errno != EINTR) return false;
    return true;
}

// Flushes the folder's entry of a renamed file. A folder that cannot be
// opened for reading, or a file system that cannot flush folders, is no
// failure of the write.
bool SyncFolder(const std::string& folder, WriteOptions options)
{
    if (!options.sync) return true;
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.IsOpen()) return true;
    while (::fsync(dir.Get()) != 0) {
        if (errno == EINTR) continue;
        return errno == EINVAL || errno == ENOTSUP || errno == EBADF;
    }
    return true;
}

// Where a write to `path` lands: the path itself, or for a symbolic link
// the file it names at the end of its chain, which need not exist yet.
// False with errno set for a loop.
bool ResolveTarget(const std::string& path, std::string& target)
{
    target = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        struct stat linkInfo {};
        if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
            char resolved[PATH_MAX];
            if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
        }
        return true;
    }
    if (errno == ELOOP) return false;
    if (errno != ENOENT) return true;  // creating it reports the cause
    // A dangling link: follow it by hand to the name it ends in.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat linkInfo {};
        if (::lstat(target.c_str(), &linkInfo) != 0 || !S_ISLNK(linkInfo.st_mode)) return true;
        char text[PATH_MAX];
        const ssize_t length = ::readlink(target.c_str(), text, sizeof text - 1);
        if (length < 0) return true;
        const std::string next(text, static_cast<std::size_t>(length));
        target = !next.empty() && next[0] == '/' ? next : FolderOf(target) + "/" + next;
    }
    errno = ELOOP;
    return false;
}

std::string CreateFailure(const std::string& path, const std::string& folder, int error)
{
    std::string cause;
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            cause = "the folder " + Quoted(folder) + " is not writable (" + Reason(error) + ")";
            break;
        case ENOENT:
            cause = "the folder " + Quoted(folder) + " does not exist";
            break;
        case ENOTDIR:
            cause = Quoted(folder) + " is not a folder";
            break;
        default:
            cause = Reason(error);
    }
    return "cannot create " + Quoted(path) + ": " + cause;
}

}  // namespace

bool WriteAllBytes(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void InstallWriteSignalHandlers()
{
    for (const int signal : INTERRUPTS) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RemoveTempFilesAndEnd;
        sigemptyset(&action.sa_mask);
        for (const int other : INTERRUPTS) sigaddset(&action.sa_mask, other);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

struct AtomicFileWriter::State {
    std::string shown;  // the name as given, for messages
    std::string target;
    std::string folder;
    WriteOptions options;
    FileDescriptor inPlace;  // open when the target is not a regular file
    TempFile temp;
};

AtomicFileWriter::AtomicFileWriter() = default;
AtomicFileWriter::~AtomicFileWriter() = default;

WriteResult AtomicFileWriter::Open(const std::string& path, WriteOptions options)
{
    state.reset();
    if (path.empty()) return Failure(StatusCode::CannotCreate, "cannot create a file without a name");

    auto s = std::make_unique<State>();
    s->shown = path;
    s->options = options;
    if (!ResolveTarget(path, s->target))
        return Failure(StatusCode::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(errno));

    struct stat info {};
    const bool exists = ::stat(s->target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
        return Failure(StatusCode::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(EISDIR));
    if (exists && !S_ISREG(info.st_mode)) {
        s->inPlace = FileDescriptor(::open(s->target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (!s->inPlace.IsOpen())
            return Failure(StatusCode::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(errno));
        state = std::move(s);
        return {};
    }
    // A file the user may not write is not replaced behind their back.
    if (exists && ::access(s->target.c_str(), W_OK) != 0)
        return Failure(StatusCode::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(errno));

    mode_t mode = 0;
    if (exists) {
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    s->folder = FolderOf(s->target);
    if (!s->temp.Create(s->folder, NameOf(s->target), mode))
        return Failure(StatusCode::CannotCreate, CreateFailure(path, s->folder, errno));
    if (exists) ::fchmod(s->temp.Get(), mode);  // the umask must not narrow a kept mode
    state = std::move(s);
    return {};
}

int AtomicFileWriter::Fd() const noexcept
{
    if (!state) return -1;
    return state->inPlace.IsOpen() ? state->inPlace.Get() : state->temp.Get();
}

WriteResult AtomicFileWriter::Fail(int error)
{
    const std::string shown = state ? state->shown : std::string();
    state.reset();
    return Failure(StatusCode::WriteFailed, "cannot write " + Quoted(shown) + ": " + Reason(error));
}

WriteResult AtomicFileWriter::Commit()
{
    if (!state) return Failure(StatusCode::WriteFailed, "cannot write a file that is not open");
    State& s = *state;
    if (s.inPlace.IsOpen()) {
        if (!s.inPlace.Close()) return Fail(errno);
        state.reset();
        return {};
    }
    if (!SyncRegularFile(s.temp.Get(), s.options) || !s.temp.Close()) return Fail(errno);
    if (!s.temp.CommitTo(s.target)) {
        const std::string message = "cannot create " + Quoted(s.shown) + ": " + Reason(errno);
        state.reset();
        return Failure(StatusCode::CannotCreate, message);
    }
    const bool synced = SyncFolder(s.folder, s.options);
    const int error = errno;
    if (!synced) return Fail(error);
    state.reset();
    return {};
}

WriteResult WriteFileAtomically(const std::string& path, const FileContent& content, WriteOptions options)
{
    AtomicFileWriter writer;
    const WriteResult opened = writer.Open(path, options);
    if (!opened.Ok()) return opened;
    if (!content(writer.Fd())) return writer.Fail(errno);
    return writer.Commit();
}
