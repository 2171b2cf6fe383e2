#pragma once
// lumory-bench is one program with subcommands; each bench/*.cpp file registers its own with
// LMR_BENCH_COMMAND, and they all drive the program's own classes from lumory_core.

#include <QStringList>
#include <functional>

namespace lmrbench {
// args: the arguments after the subcommand's name. Returns the process exit code.
using Command = std::function<int(const QStringList &args)>;
int registerCommand(const char *name, const char *usage, Command command);

// Peak resident memory of the process so far, in bytes.
qint64 peakResidentBytes();
}

#define LMR_BENCH_COMMAND(id, name, usage) \
    static int benchCommand_##id(const QStringList &args); \
    static const int benchRegistered_##id = lmrbench::registerCommand(name, usage, benchCommand_##id); \
    static int benchCommand_##id(const QStringList &args)
