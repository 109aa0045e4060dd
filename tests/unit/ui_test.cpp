#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/ui.h"

namespace halvora::platform {
namespace {

namespace fs = std::filesystem;

class ScriptUi : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("halvora-ui-" + std::to_string(std::random_device{}()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write_answers(const std::string& bytes) {
    std::string path = (dir_ / "answers.txt").string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string log_path() const { return (dir_ / "boxes.log").string(); }
  std::string log() const {
    std::ifstream in(log_path(), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  fs::path dir_;
};

TEST_F(ScriptUi, AnswersAreUsedInOrderThenCancel) {
  auto ui = create_script_ui(write_answers("\xEF\xBB\xBF"
                                           "101\r\n<Cancel>\r\n\r\nPeña\n"),
                             "");
  EXPECT_EQ(ui->input_box(u"Room?", u"Check-in", u""), u"101");
  EXPECT_EQ(ui->input_box(u"Room?", u"Check-in", u""), std::nullopt);
  EXPECT_EQ(ui->input_box(u"Note?", u"Check-in", u"x"), u"");
  EXPECT_EQ(ui->input_box(u"Name?", u"Check-in", u""), u"Peña");
  EXPECT_EQ(ui->input_box(u"Name?", u"Check-in", u""), std::nullopt);
  EXPECT_EQ(ui->msg_box(u"done", kStyleInformation, u"Check-in"), kAnswerOk);
}

TEST_F(ScriptUi, MissingAnswersFileCancelsEveryInput) {
  auto ui = create_script_ui((dir_ / "absent.txt").string(), log_path());
  EXPECT_EQ(ui->input_box(u"Room?", u"T", u"1"), std::nullopt);
  EXPECT_EQ(log(),
            "{\"box\":\"input\",\"title\":\"T\",\"prompt\":\"Room?\",\"default\":\"1\","
            "\"answer\":\"\",\"cancelled\":true}\n");
}

TEST_F(ScriptUi, EveryBoxIsOneJsonLine) {
  auto ui = create_script_ui(write_answers("say \"hi\" \\ ñ\n"), log_path());
  ui->msg_box(u"Line 1\r\nTab\there \"quoted\" C:\\dir \u0001", kStyleCritical, u"Señal");
  ui->input_box(u"Who?\n", u"Año", u"d\"ef");
  EXPECT_EQ(log(),
            "{\"box\":\"msg\",\"style\":16,\"title\":\"Se\xC3\xB1"
            "al\","
            "\"text\":\"Line 1\\r\\nTab\\there \\\"quoted\\\" C:\\\\dir \\u0001\"}\n"
            "{\"box\":\"input\",\"title\":\"A\xC3\xB1o\",\"prompt\":\"Who?\\n\","
            "\"default\":\"d\\\"ef\",\"answer\":\"say \\\"hi\\\" \\\\ \xC3\xB1\","
            "\"cancelled\":false}\n");
}

TEST_F(ScriptUi, InstalledUiIsTheOneInForce) {
  auto mine = create_script_ui("", log_path());
  Ui* raw = mine.get();
  auto previous = set_ui(std::move(mine));
  EXPECT_EQ(&ui(), raw);
  ui().msg_box(u"x", kStyleOkOnly, u"t");
  EXPECT_EQ(log(), "{\"box\":\"msg\",\"style\":0,\"title\":\"t\",\"text\":\"x\"}\n");
  set_ui(std::move(previous));
}

}  // namespace
}  // namespace halvora::platform
