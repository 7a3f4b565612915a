#include "base/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace base {

namespace {

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

FileRead ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
  bytes.clear();
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
  // writer. What it is is asked of the open file, not of the name, so it
  // cannot be swapped in between.
  Fd f{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
  // A socket, or a device without its driver, cannot be opened at all.
  if (f.fd < 0) return errno == ENXIO || errno == ENODEV ? FileRead::kNotRegular : FileRead::kNotFound;
  struct stat st;
  if (fstat(f.fd, &st) != 0) return FileRead::kReadError;
  if (!S_ISREG(st.st_mode)) return FileRead::kNotRegular;
  if (st.st_size < 0 || uint64_t(st.st_size) > limit) return FileRead::kTooLarge;
  // A regular file's reads wait for nothing anyway; without the flag no file
  // system can answer "try again".
  fcntl(f.fd, F_SETFL, fcntl(f.fd, F_GETFL) & ~O_NONBLOCK);

  // One byte of room past the size, to see a file that has grown since.
  size_t got = 0;
  try {
    bytes.resize(size_t(st.st_size) + 1);
    for (;;) {
      if (got == bytes.size()) {
        if (bytes.size() > limit) break;
        bytes.resize(std::min(limit + 1, bytes.size() * 2));
      }
      ssize_t n = read(f.fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        bytes.clear();
        return FileRead::kReadError;
      }
      if (n == 0) break;
      got += size_t(n);
    }
  } catch (const std::bad_alloc&) {
    // No room for it: as good as unreadable.
    bytes = {};
    return FileRead::kReadError;
  }
  if (got > limit) {
    bytes = {};
    return FileRead::kTooLarge;
  }
  bytes.resize(got);
  return FileRead::kOk;
}

}  // namespace base
