#pragma once

#include <unistd.h>

#include <utility>

// Owns one open descriptor and closes it however the scope is left, so an
// exception while reading or writing (std::bad_alloc) cannot leak it.
class FileDescriptor {
public:
    FileDescriptor() noexcept = default;
    explicit FileDescriptor(int descriptor) noexcept : fd(descriptor) {}
    ~FileDescriptor()
    {
        if (fd >= 0) ::close(fd);
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            if (fd >= 0) ::close(fd);
            fd = std::exchange(other.fd, -1);
        }
        return *this;
    }

    int Get() const noexcept { return fd; }
    bool IsOpen() const noexcept { return fd >= 0; }
    // Closes now and tells whether close succeeded (errno set if not): a
    // write may fail only at close, on some file systems.
    bool Close() noexcept
    {
        const int closing = std::exchange(fd, -1);
        return closing < 0 || ::close(closing) == 0;
    }

private:
    int fd = -1;
};
