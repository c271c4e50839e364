// create_exclusive for POSIX and Windows, and the stream buffer the writers fill.
#include "writers/exclusive_file.hpp"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace trakvia::engine::writers {

#ifdef _WIN32

namespace {

int errno_of(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT: return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        default: return EIO;
    }
}

}  // namespace

std::FILE* create_exclusive(const std::filesystem::path& path) {
    // CREATE_NEW fails on any existing entry, a link or junction among them.
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = errno_of(GetLastError());
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EIO;
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) _close(fd);
    return file;
}

#else

std::FILE* create_exclusive(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return file;
}

#endif

FileOutBuffer::FileOutBuffer(std::FILE* file) : file_(file), buffer_(std::size_t(64) << 10) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool FileOutBuffer::drain() {
    const std::size_t size = std::size_t(pptr() - pbase());
    if (size != 0 && std::fwrite(pbase(), 1, size, file_) != size) return false;
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return true;
}

FileOutBuffer::int_type FileOutBuffer::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int FileOutBuffer::sync() { return drain() && std::fflush(file_) == 0 ? 0 : -1; }

}  // namespace trakvia::engine::writers
