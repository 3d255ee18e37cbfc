// End to end: the qv-virtual-printer program, driven through its standard
// input and reached over TCP.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/net/tcp_socket.h"

namespace {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qvvp-prog-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }

  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
    if (to_child_ != nullptr) std::fclose(to_child_);
    if (from_child_ != nullptr) std::fclose(from_child_);
    std::string command = "rm -rf " + dir_;
    EXPECT_EQ(std::system(command.c_str()), 0);
  }

  void Start(std::vector<std::string> args) {
    int in[2], out[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::pipe(out), 0);
    pid_ = ::fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      std::vector<char*> argv;
      std::string program = QV_VIRTUAL_PRINTER_PROGRAM;
      argv.push_back(program.data());
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    to_child_ = ::fdopen(in[1], "w");
    from_child_ = ::fdopen(out[0], "r");
  }

  std::string ReadLine() {
    char line[512];
    if (std::fgets(line, sizeof(line), from_child_) == nullptr) return "<eof>";
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }

  void Command(const std::string& line) {
    std::fputs((line + "\n").c_str(), to_child_);
    std::fflush(to_child_);
  }

  std::string dir_;
  pid_t pid_ = -1;
  FILE* to_child_ = nullptr;
  FILE* from_child_ = nullptr;
};

TEST_F(ProgramTest, ServesTcpRecordsAndTakesCommands) {
  std::string listing = dir_ + "/listing.txt";
  std::string stream = dir_ + "/stream.bin";
  Start({"--tcp", "127.0.0.1:0", "--pty", "--link", dir_ + "/printer", "--listing", listing,
         "--stream", stream});
  std::string tcp = ReadLine();
  ASSERT_EQ(tcp.rfind("tcp 127.0.0.1:", 0), 0u) << tcp;
  EXPECT_EQ(ReadLine().rfind("pty /dev/pts/", 0), 0u);
  EXPECT_EQ(ReadLine(), "link " + dir_ + "/printer");
  ASSERT_EQ(ReadLine(), "ready");

  std::vector<sockaddr_in> addresses;
  ASSERT_EQ(qvplatform::ResolveTcp4("127.0.0.1", tcp.substr(tcp.rfind(':') + 1), &addresses), 0);
  qvplatform::TcpSocket socket;
  ASSERT_EQ(socket.Connect(addresses[0], 2000), 0);

  auto request = [&](uint8_t n) {
    const uint8_t bytes[] = {0x10, 0x04, n};
    EXPECT_EQ(socket.Send(bytes, 3, 2000, nullptr), 0);
    uint8_t answer = 0;
    size_t got = 0;
    EXPECT_EQ(socket.Recv(&answer, 1, 2000, &got), 0);
    return answer;
  };
  EXPECT_EQ(request(2), 0x12);
  Command("cover open");
  EXPECT_EQ(ReadLine(), "ok");
  EXPECT_EQ(request(2), 0x16);
  Command("paper end");
  EXPECT_EQ(ReadLine(), "ok");
  EXPECT_EQ(request(4), 0x72);
  Command("bogus");
  EXPECT_EQ(ReadLine().rfind("error:", 0), 0u);

  const uint8_t kick[] = {0x1B, 0x70, 0x30, 0x30, 0x30};
  ASSERT_EQ(socket.Send(kick, sizeof(kick), 2000, nullptr), 0);
  EXPECT_EQ(request(1) & 0x04, 0);  // answered after the pulse: drawer open
  Command("quit");
  int status = 0;
  ASSERT_EQ(::waitpid(pid_, &status, 0), pid_);
  pid_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::ifstream listing_file(listing);
  std::stringstream text;
  text << listing_file.rdbuf();
  EXPECT_NE(text.str().find("ESC p"), std::string::npos);
  EXPECT_NE(text.str().find("DLE EOT"), std::string::npos);
  std::ifstream stream_file(stream, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(stream_file)),
                    std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.size(), 3u * 4 + sizeof(kick));
}

TEST_F(ProgramTest, RendersAPictureAtEachCutAndOnRequest) {
  const std::string render = dir_ + "/render";
  Start({"--tcp", "127.0.0.1:0", "--render", render});
  std::string tcp = ReadLine();
  ASSERT_EQ(tcp.rfind("tcp 127.0.0.1:", 0), 0u) << tcp;
  ASSERT_EQ(ReadLine(), "ready");
  std::vector<sockaddr_in> addresses;
  ASSERT_EQ(qvplatform::ResolveTcp4("127.0.0.1", tcp.substr(tcp.rfind(':') + 1), &addresses), 0);
  qvplatform::TcpSocket socket;
  ASSERT_EQ(socket.Connect(addresses[0], 2000), 0);
  // A line, a cut, a line and a drawer pulse.
  const uint8_t bytes[] = {'A', '\n', 0x1B, 0x69, 'B', '\n', 0x1B, 0x70, 0, 50, 50};
  ASSERT_EQ(socket.Send(bytes, sizeof(bytes), 2000, nullptr), 0);
  EXPECT_EQ(ReadLine(), "render " + render + "/receipt-0001.png 576x30");
  // Wait (bounded) until the printer has parsed every byte.
  bool parsed = false;
  for (int attempt = 0; attempt < 200 && !parsed; ++attempt) {
    Command("status");
    for (std::string line = ReadLine(); line != "ok"; line = ReadLine()) {
      ASSERT_NE(line, "<eof>");
      if (line.rfind("bytes 11, parsed 11,", 0) == 0) parsed = true;
    }
    if (!parsed) ::usleep(10000);
  }
  ASSERT_TRUE(parsed);
  Command("render");
  EXPECT_EQ(ReadLine(), "render " + render + "/receipt-0002.png 576x30; drawer pulse on pin 2, " +
                            "100 ms on, 100 ms off (at dot row 30)");
  EXPECT_EQ(ReadLine(), "ok");
  Command("status");
  std::string summary;
  for (std::string line = ReadLine(); line != "ok" && line != "<eof>"; line = ReadLine()) {
    if (line.rfind("render:", 0) == 0) summary = line;
  }
  EXPECT_EQ(summary,
            "render: 1 images, 0 commands drawn as nothing, 0 symbols refused, 0 bytes lost");
  Command("quit");
  EXPECT_EQ(ReadLine().rfind("render " + render + "/receipt-0002.png 576x30", 0), 0u);
  int status = 0;
  ASSERT_EQ(::waitpid(pid_, &status, 0), pid_);
  pid_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream png(render + "/receipt-0001.png", std::ios::binary);
  char signature[4] = {};
  png.read(signature, 4);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

TEST_F(ProgramTest, HelpDocumentsCommandsAndRejectsBadArguments) {
  Start({"--help"});
  std::string all;
  for (std::string line = ReadLine(); line != "<eof>"; line = ReadLine()) all += line + "\n";
  for (const char* word :
       {"--tcp", "--pty", "--link", "--stream", "--listing", "--answer-nothing", "--stop-reading",
        "--refuse", "drop", "DLE EOT", "--render", "8000 dots", "4000 dots"}) {
    EXPECT_NE(all.find(word), std::string::npos) << word;
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid_, &status, 0), pid_);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  pid_ = -1;

  std::fclose(to_child_);
  std::fclose(from_child_);
  to_child_ = from_child_ = nullptr;
  Start({"--tcp", "127.0.0.1:99999"});
  ASSERT_EQ(::waitpid(pid_, &status, 0), pid_);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
  pid_ = -1;
}

}  // namespace
