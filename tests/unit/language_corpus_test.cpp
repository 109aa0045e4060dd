// The language corpus: small scripts in tests/language/*.corpus with what they print, run by the
// script host in process. Cases marked "@wine" are also run under Wine's cscript by make test-win
// (tests/language/wine.sh); the others hold behaviour Wine's VBScript does not reproduce.
//
// A corpus file is a sequence of cases:
//   === name [@wine]
//   script lines
//   --- out
//   what WScript.Echo prints
//   --- err            (optional: the report of an uncaught error; the run then exits 1)
//   t.vbs(line, column) Source: Description
// Lines before the first case are notes.
#include "host/interpreter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "automation/text.h"
#include "support/test_env.h"

namespace halvora::host {
namespace {

struct CorpusCase {
  std::string name;   // file stem and case name: "classes_property_let"
  std::string where;  // file:line of the header
  std::string script;
  std::string out;
  std::string err;
  bool wine = false;
};

std::vector<CorpusCase> read_corpus_file(const std::filesystem::path& path) {
  std::vector<CorpusCase> cases;
  std::ifstream in(path);
  std::string line;
  std::string* into = nullptr;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.rfind("=== ", 0) == 0) {
      CorpusCase c;
      std::istringstream header(line.substr(4));
      std::string word, name;
      header >> name;
      while (header >> word) c.wine = c.wine || word == "@wine";
      c.name = path.stem().string() + "_" + name;
      c.where = path.filename().string() + ":" + std::to_string(number);
      cases.push_back(std::move(c));
      into = &cases.back().script;
      continue;
    }
    if (cases.empty()) continue;
    if (line == "--- out") {
      into = &cases.back().out;
      continue;
    }
    if (line == "--- err") {
      into = &cases.back().err;
      continue;
    }
    if (into) *into += line + "\n";
  }
  return cases;
}

std::vector<CorpusCase> corpus() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(HALVORA_LANGUAGE_CORPUS))
    if (entry.path().extension() == ".corpus") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<CorpusCase> all;
  for (const auto& f : files)
    for (CorpusCase& c : read_corpus_file(f)) all.push_back(std::move(c));
  return all;
}

class LanguageCorpus : public ::testing::TestWithParam<CorpusCase> {
 protected:
  test::RegionalScope regional_;
  test::ScopedEnv offline_{"HALVORA_NETSTATE", ""};
  test::UiScope ui_;
};

TEST_P(LanguageCorpus, PrintsWhatThePlatformsHostPrints) {
  const CorpusCase& c = GetParam();
  std::string out, err;
  Interpreter::Options opts;
  opts.script_name = u"t.vbs";
  opts.out = [&](std::string_view t) { out += t; };
  opts.err = [&](std::string_view t) { err += t; };
  Interpreter interpreter(std::move(opts));
  int code = interpreter.run(utf8_to_utf16(c.script), "t.vbs");
  EXPECT_EQ(out, c.out) << c.where;
  EXPECT_EQ(err, c.err) << c.where;
  EXPECT_EQ(code, c.err.empty() ? 0 : 1) << c.where;
}

INSTANTIATE_TEST_SUITE_P(Language, LanguageCorpus, ::testing::ValuesIn(corpus()),
                         [](const ::testing::TestParamInfo<CorpusCase>& info) {
                           return info.param.name;
                         });

TEST(LanguageCorpusFiles, NameEachCaseOnceAndHoldSome) {
  std::vector<CorpusCase> all = corpus();
  std::set<std::string> names;
  int wine = 0;
  for (const CorpusCase& c : all) {
    EXPECT_TRUE(names.insert(c.name).second) << "two cases named " << c.name;
    EXPECT_FALSE(c.script.empty()) << c.where;
    wine += c.wine;
  }
  EXPECT_GE(all.size(), 50u);
  EXPECT_GE(wine, 20);
}

}  // namespace
}  // namespace halvora::host
