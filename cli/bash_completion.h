#pragma once
// The bash completion of lumicomb-cli, written by the tool itself from its own options, so that
// the options, rules and alignment models it offers are always the ones it takes.
#include <QCommandLineOption>
#include <QList>

#include <string>

namespace lumicomb::cli {

/// A completion script for `options`: their long names after "-", the words a value can take
/// where they are known (rule names, alignment models, file types, depths), folders for a DIR,
/// files for a FILE and for the images, and nothing for numbers and texts.
std::string bashCompletion(const QList<QCommandLineOption> &options);

} // namespace lumicomb::cli
