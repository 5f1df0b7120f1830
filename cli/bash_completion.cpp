#include "cli/bash_completion.h"

#include "align/align_model.h"
#include "fusion/fusion_rules.h"
#include "output/file_types.h"
#include "rules/rule_registry.h"

#include <QStringList>

namespace lumicomb::cli {
namespace {

QString ruleNames() {
  QStringList names;
  for (const RuleDescription &rule : ruleRegistry())
    if (*rule.commandName != '\0')
      names.append(rule.commandName);
  return names.join(' ');
}

QString typeNames() {
  QStringList names;
  for (const FileTypeRow &row : fileTypeTable())
    names.append(QString::fromStdString(row.typeName));
  return names.join(' ');
}

/// The words the value of the option with this long name can take; empty when they are not a
/// closed list.
QString valueWords(const QString &longName) {
  if (longName == "rule")
    return ruleNames();
  if (longName == "align-model")
    return QString::fromStdString(alignModelNames()).replace(" | ", " ");
  if (longName == "type")
    return typeNames();
  if (longName == "depth")
    return "8 16";
  if (longName == "order")
    return "given time";
  if (longName == "focus-method")
    return QString::fromStdString(focusMethodNames()).replace(" | ", " ");
  return {};
}

/// `-r|--rule`: the option's names as a pattern of the case statement.
QString casePattern(const QCommandLineOption &option) {
  QStringList names;
  for (const QString &name : option.names())
    names.append((name.size() == 1 ? "-" : "--") + name);
  return names.join('|');
}

/// What the case statement does after the option: offer its words, folders or files; nothing for
/// a number or a text.
QString valueCompletion(const QCommandLineOption &option) {
  const QString words = valueWords(option.names().constLast());
  if (!words.isEmpty())
    return "mapfile -t COMPREPLY < <(compgen -W '" + words + "' -- \"$cur\")";
  if (option.valueName() == "DIR")
    return "compopt -o filenames; mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")";
  if (option.valueName() == "FILE")
    return "compopt -o filenames; mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")";
  return {};
}

} // namespace

std::string bashCompletion(const QList<QCommandLineOption> &options) {
  QString cases;
  QStringList longNames;
  for (const QCommandLineOption &option : options) {
    if (option.flags().testFlag(QCommandLineOption::HiddenFromHelp))
      continue;
    longNames.append("--" + option.names().constLast());
    if (option.valueName().isEmpty())
      continue;
    const QString completion = valueCompletion(option);
    cases += "  " + casePattern(option) + ") " + (completion.isEmpty() ? "" : completion + "; ") +
             "return ;;\n";
  }
  const QString script =
      "# bash completion for lumicomb-cli, written by `lumicomb-cli --bash-completion`\n"
      "_lumicomb_cli() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      "  COMPREPLY=()\n"
      "  # bash splits --option=value at the '='.\n"
      "  if [[ $cur == = ]]; then\n"
      "    cur=\n"
      "  elif [[ $prev == = ]]; then\n"
      "    prev=${COMP_WORDS[COMP_CWORD-2]}\n"
      "  fi\n"
      "  case $prev in\n" +
      cases +
      "  esac\n"
      "  if [[ $cur == -* ]]; then\n"
      "    mapfile -t COMPREPLY < <(compgen -W '" +
      longNames.join(' ') +
      "' -- \"$cur\")\n"
      "    return\n"
      "  fi\n"
      "  compopt -o filenames\n"
      "  mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
      "}\n"
      "complete -F _lumicomb_cli lumicomb-cli\n";
  return script.toStdString();
}

} // namespace lumicomb::cli
