// Reading a data file whole, safely: only a regular file (or a link to one)
// is read, a FIFO or device in its place is turned away without waiting for
// it, and nothing past a size limit is taken. Host-free: the standard
// library and POSIX only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace base {

enum class FileRead {
  kOk,
  kNotFound,    // it could not be opened at all
  kNotRegular,  // a folder, FIFO, device or socket
  kTooLarge,    // more than the limit
  kReadError,
};

// Reads all of `path` into `bytes` when it is a regular file of at most
// `limit` bytes; otherwise says why not and leaves `bytes` empty. A file
// that grows while it is read is still cut off past the limit.
FileRead ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes);

}  // namespace base
