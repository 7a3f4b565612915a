#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string err;
};

Outcome Inspect(const std::string& args, const std::string& scratch) {
  std::string inspect = std::string(DORSEL_BINARY_DIR) + "/dorsel-inspect";
  std::string errFile = scratch + "/stderr.txt";
  int status = std::system((inspect + " " + args + " >/dev/null 2>" + errFile).c_str());
  std::ifstream in(errFile);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
          std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
}

// Width and height from a PNG's header chunk; 0 × 0 when it is not a PNG.
std::pair<int, int> PngSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char b[24] = {};
  in.read(reinterpret_cast<char*>(b), 24);
  if (!in || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return {0, 0};
  auto be32 = [&](int at) { return int(b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]); };
  return {be32(16), be32(20)};
}

TEST(InspectPcx, WritesPicturesAndSheetsAndRefusesBadInput) {
  ASSERT_TRUE(fs::exists(std::string(DORSEL_BINARY_DIR) + "/dorsel-inspect")) << "build dorsel-inspect first";
  std::string pattern = (fs::temp_directory_path() / "dorsel-inspect-XXXXXX").string();
  std::string scratch = mkdtemp(pattern.data());
  std::string data = std::string(DORSEL_BINARY_DIR) + "/data";
  std::string png = scratch + "/out.png";
  struct Case {
    std::string args;
    int exitCode;
    int width, height;  // of the PNG written; 0 for none
    std::string err;    // expected in standard error
  };
  const Case cases[] = {
      {"pcx " + data + "/flare.pcx --png " + png, 0, 64, 64, ""},
      {"pcx " + data + "/staff2.pcx --png " + png, 0, 218, 384, ""},
      {"pcx " + data + "/korkeus.pcx --png " + png, 0, 512, 384, ""},
      {"pcx " + scratch + "/none.pcx --png " + png, 1, 0, 0, "LoadPCX ERROR!: file " + scratch + "/none.pcx not found"},
      {"pcx " + data + "/flare.pcx", 2, 0, 0, "usage"},
      {"sheet " + data + " --png " + png, 0, 1064, -1, ""},
      {"sheet " + scratch + " --png " + png, 1, 0, 0, "no .pcx files"},
      {"sheet " + data, 2, 0, 0, "usage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    fs::remove(png);
    Outcome run = Inspect(c.args, scratch);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    auto [w, h] = PngSize(png);
    EXPECT_EQ(w, c.width);
    if (c.height >= 0) {
      EXPECT_EQ(h, c.height);
    } else {
      EXPECT_GT(h, 384) << "the sheet holds more than one row of pictures";
    }
  }
  fs::remove_all(scratch);
}

}  // namespace
