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
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using base::FileRead;

// Every kind of thing that can stand where a data file should, read with a
// limit of 100 bytes.
TEST(ReadWholeFile, TakesARegularFileUpToTheLimitAndNothingElse) {
  std::string pattern = (fs::temp_directory_path() / "file-read-XXXXXX").string();
  const struct Scratch {
    fs::path dir;
    ~Scratch() { fs::remove_all(dir); }
  } s{mkdtemp(pattern.data())};
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

  const std::tuple<const char*, FileRead, std::string> cases[] = {
      {"hundred", FileRead::kOk, hundred},   {"empty", FileRead::kOk, ""},          {"link", FileRead::kOk, hundred},
      {"more", FileRead::kTooLarge, ""},     {"missing", FileRead::kNotFound, ""},  {"dangling", FileRead::kNotFound, ""},
      {"folder", FileRead::kNotRegular, ""}, {"fifo", FileRead::kNotRegular, ""},   {"zero", FileRead::kNotRegular, ""},
      {"socket", FileRead::kNotRegular, ""}};
  for (const auto& [name, result, want] : cases) {
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_EQ(base::ReadWholeFile((s.dir / name).string(), 100, bytes), result) << name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), want) << name;
  }
  close(sock);
}

}  // namespace
