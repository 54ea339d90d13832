// The tips of the tip-of-the-day window: one tip per line of a text file, blank lines skipped,
// shown in turn. The file is found by its name ("TipFile" of "General", "Tips.txt" shipped):
// first beside the program's executable, where a user may put a file of their own; when none
// is there, the copy compiled into the program as the resource ":/teleon/Tips.txt".
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace teleon {

// Registers the compiled-in tips and manual (":/teleon/Tips.txt", ":/teleon/manual/index.html").
// Safe to call any number of times.
void RegisterSetupResources();

// The lines of text that are not blank (only white space counts as blank too), in order, with
// their line ends and surrounding blanks removed. Handles LF and CRLF line ends.
QStringList ParseTips(const QString& text);

// The tips file of the given name: beside the executable (programDir, "" for the program's
// own), else the shipped resource. nullopt when the name is empty or neither exists.
std::optional<QString> FindTipsFile(const QString& name, const QString& programDir = {});

// Reads the tips from path (UTF-8). nullopt when the path is empty or cannot be read.
std::optional<QStringList> ReadTipsFile(const QString& path);

// The tip after currentTip (1-based; 0 or anything out of range starts again at 1). 0 when
// there are no tips.
int NextTipNumber(int currentTip, qsizetype tipCount);

} // namespace teleon
