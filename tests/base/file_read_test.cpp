#include "base/file_read.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using base::FileRead;

struct Scratch {
  fs::path dir;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "file-read-XXXXXX").string();
    dir = mkdtemp(pattern.data());
  }
  ~Scratch() { fs::remove_all(dir); }
};

// Every kind of thing that can stand where a data file should, read with a
// limit of 100 bytes.
TEST(ReadWholeFile, TakesARegularFileUpToTheLimitAndNothingElse) {
  Scratch s;
  const std::string hundred(100, 'h');
  std::ofstream(s.dir / "hundred") << hundred;
  std::ofstream(s.dir / "empty").close();
  std::ofstream(s.dir / "more") << hundred << "!";
  fs::create_symlink(s.dir / "hundred", s.dir / "link");
  fs::create_symlink(s.dir / "nowhere", s.dir / "dangling");
  fs::create_directory(s.dir / "folder");
  ASSERT_EQ(mkfifo((s.dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", s.dir / "zero");
  // A socket: bound, so it exists as a name.
  int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string socketPath = (s.dir / "socket").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  struct Case {
    const char* name;
    FileRead result;
    std::string bytes;
  };
  const Case cases[] = {
      {"hundred", FileRead::kOk, hundred},     {"empty", FileRead::kOk, ""},
      {"link", FileRead::kOk, hundred},        {"more", FileRead::kTooLarge, ""},
      {"missing", FileRead::kNotFound, ""},    {"dangling", FileRead::kNotFound, ""},
      {"folder", FileRead::kNotRegular, ""},   {"fifo", FileRead::kNotRegular, ""},
      {"zero", FileRead::kNotRegular, ""},     {"socket", FileRead::kNotRegular, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_EQ(base::ReadWholeFile((s.dir / c.name).string(), 100, bytes), c.result);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.bytes);
  }
  close(sock);
}

}  // namespace
