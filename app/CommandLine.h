#pragma once

#include <QString>
#include <QStringList>

// The program's command line: "--help", "--version" and the files to open. Qt's own window
// options ("-platform", "-style", ...) are let through to Qt.
namespace CommandLine {

struct Result {
    enum Action { Run, ShowHelp, ShowVersion, Fail };
    Action action = Run;
    QStringList files; // in the order given
    QString text;      // what to print for ShowHelp, ShowVersion and Fail
};

// `arguments` starts with the program's name, as argv does.
Result Parse(const QStringList& arguments);

// The exit status of a command line the program does not understand.
constexpr int UsageErrorStatus = 2;

} // namespace CommandLine
