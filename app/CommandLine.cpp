#include "app/CommandLine.h"

#include "app/Version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace CommandLine {

namespace {

QString Usage(const QString& program)
{
    return "Usage: " + program
        + " [options] [files...]\n"
          "Lumivox: slice, orthogonal and 3-D views, annotation, measurement, active-contour\n"
          "segmentation and shape models for 3-D image stacks.\n\n"
          "Options:\n"
          "  -h, --help     Shows this help and exits.\n"
          "  -v, --version  Shows the version and exits.\n\n"
          "Arguments:\n"
          "  files          TIFF stacks (.tif, .tiff), a project (.lvx), active contours (.acr),\n"
          "                 surfaces (.stl) and the other files Lumivox opens, by their suffix.\n";
}

// Options that QApplication takes for itself; accepted here so that they reach it.
void AddQtOptions(QCommandLineParser& parser)
{
    for (const char* name : {"platform", "style", "stylesheet", "display", "geometry", "qwindowgeometry",
             "qwindowtitle", "qwindowicon", "plugin", "platformtheme", "session", "name", "title"}) {
        QCommandLineOption option(name, QString(), "value");
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

Result Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version(QStringList{"v", "version"});
    parser.addOption(help);
    parser.addOption(version);
    AddQtOptions(parser);

    const QString program = arguments.isEmpty() ? QString("lumivox") : arguments.front();
    Result result;
    if (!parser.parse(arguments.isEmpty() ? QStringList{program} : arguments)) {
        result.action = Result::Fail;
        result.text = program + ": " + parser.errorText() + "\nTry '" + program + " --help' for more information.\n";
        return result;
    }
    if (parser.isSet(help)) {
        result.action = Result::ShowHelp;
        result.text = Usage(program);
    } else if (parser.isSet(version)) {
        result.action = Result::ShowVersion;
        result.text = "Lumivox " + VersionText() + "\n";
    }
    result.files = parser.positionalArguments();
    return result;
}

} // namespace CommandLine
