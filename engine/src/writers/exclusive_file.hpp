// New files for the writers: created only where nothing has the name yet, the platform
// difference of the writers kept behind one function, and a stream over the open file.
#pragma once

#include <cstdio>
#include <filesystem>
#include <streambuf>
#include <vector>

namespace trakvia::engine::writers {

// Opens `path` for writing as a new file. Fails (nullptr, errno set; EEXIST when the name is
// taken) when anything already has the name, a symbolic link included, which is never followed:
// O_CREAT|O_EXCL|O_NOFOLLOW on POSIX, CREATE_NEW on Windows.
std::FILE* create_exclusive(const std::filesystem::path& path);

// An output stream buffer over an open FILE, with its own 64 KiB buffer. It does not own the file.
class FileOutBuffer : public std::streambuf {
public:
    explicit FileOutBuffer(std::FILE* file);
    FileOutBuffer(const FileOutBuffer&) = delete;
    FileOutBuffer& operator=(const FileOutBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool drain();

    std::FILE* file_;
    std::vector<char> buffer_;
};

}  // namespace trakvia::engine::writers
