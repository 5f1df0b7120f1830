// The bash completion lumicomb-cli writes of itself, run in bash as the shell runs it.
#include "align/align_model.h"
#include "rules/rule_registry.h"
#include "support/run_program.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <sstream>

namespace lumicomb::test {
namespace {

/// The words offered when the command line so far is `words`, its last word the one completed.
std::string offered(const std::string &script, const std::vector<std::string> &words) {
  // Outside a completion bash refuses compopt, which only tells it the words are file names.
  std::vector<std::string> command = {
      "/bin/bash", "-c",
      "compopt() { :; }; source \"$0\"; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
      "_lumicomb_cli; echo \"${COMPREPLY[*]}\"",
      script};
  command.insert(command.end(), words.begin(), words.end());
  const RunResult result = runProgram(command, {}, {});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return result.out.substr(0, result.out.find('\n'));
}

TEST(BashCompletion, OffersTheToolsOwnOptionsRulesModelsAndFiles) {
  TempDir dir;
  const RunResult written = runProgram({LUMICOMB_CLI_PATH, "--bash-completion"}, {}, {});
  ASSERT_EQ(written.exitCode, 0) << written.err;
  const std::string script = dir.file("lumicomb-cli");
  writeWholeFile(script, written.out);
  writeWholeFile(dir.file("burst_1.jpg"), "");

  std::string rules;
  for (const RuleDescription &rule : ruleRegistry())
    if (*rule.commandName != '\0')
      rules += (rules.empty() ? "" : " ") + std::string(rule.commandName);
  std::string models = alignModelNames();
  for (size_t bar = models.find(" | "); bar != std::string::npos; bar = models.find(" | "))
    models.replace(bar, 3, " ");

  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"lumicomb-cli", "--rule", ""}, rules},
      {{"lumicomb-cli", "-r", "med"}, "median"},
      {{"lumicomb-cli", "--rule", "=", "dark"}, "darkest"}, // --rule=dark
      {{"lumicomb-cli", "--align-model", "="}, models},     // --align-model=
      {{"lumicomb-cli", "-t", "T"}, "TIFF"},
      {{"lumicomb-cli", "--depth", ""}, "8 16"},
      {{"lumicomb-cli", "--order", "t"}, "time"},
      {{"lumicomb-cli", "--al"}, "--align --align-model"},
      {{"lumicomb-cli", "--threads", ""}, ""},
      {{"lumicomb-cli", "-o", dir.file("burst")}, dir.file("burst_1.jpg")},
      {{"lumicomb-cli", "-o", "out.png", dir.file("bu")}, dir.file("burst_1.jpg")},
      {{"lumicomb-cli", "--bash"}, ""}, // the switch that writes this is not offered
  };
  for (const auto &[words, expected] : cases)
    EXPECT_EQ(offered(script, words), expected) << words[words.size() - 2] << " " << words.back();
}

} // namespace
} // namespace lumicomb::test
