#include "BenchCommand.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/resource.h>

namespace lmrbench {
namespace {
struct Entry {
    const char *usage;
    Command command;
};
std::map<QString, Entry> &commands()
{
    static std::map<QString, Entry> map;
    return map;
}
} // namespace

int registerCommand(const char *name, const char *usage, Command command)
{
    commands()[QString::fromLatin1(name)] = {usage, std::move(command)};
    return int(commands().size());
}

qint64 peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}
} // namespace lmrbench

int main(int argc, char **argv)
{
    // The benchmarks drive real widgets without needing a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    if (args.isEmpty() || !lmrbench::commands().count(args.first())) {
        err << "usage: lumory-bench COMMAND [ARGS]\n";
        for (const auto &[name, entry] : lmrbench::commands())
            err << "  " << entry.usage << "\n";
        return 2;
    }
    const QString name = args.takeFirst();
    const int code = lmrbench::commands().at(name).command(args);
    // Ended as the program ends: the loading workers of the window a command opened are
    // cancelled but not waited for, and no static destructor may run under their feet.
    std::fflush(nullptr);
    std::_Exit(code);
}
