#include "BenchCommand.h"

#include "model/FileSystemItem.h"

#include <QCollator>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <random>

namespace {

// Names of the kinds camera folders hold, in a shuffled order that is the same on every run.
QStringList cameraLikeNames(int count)
{
    static const char *const unicodeStems[] = {"Ärger", "Café", "Fjäll", "Øresund", "Łódź", "Straße",
                                               "東京", "Москва", "Αθήνα", "Ñandú"};
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        switch (i % 6) {
        case 0: names << QStringLiteral("IMG_%1.JPG").arg(i % 10000, 4, 10, QChar(u'0')); break;
        case 1: names << QStringLiteral("DSC%1.jpg").arg(i % 100000, 5, 10, QChar(u'0')); break;
        case 2: names << QStringLiteral("img%1.png").arg(i); break;
        case 3: names << QStringLiteral("Photo %1.jpeg").arg(i / 6); break;
        case 4: names << QStringLiteral("%1 %2.heic").arg(QString::fromUtf8(unicodeStems[i % 10])).arg(i); break;
        default: names << QStringLiteral("PXL_2024%1_%2.mp4").arg(i % 1231, 4, 10, QChar(u'0')).arg(i); break;
        }
    }
    std::mt19937 random(12345);
    std::shuffle(names.begin(), names.end(), random);
    return names;
}

double seconds(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e9; }

} // namespace

LMR_BENCH_COMMAND(sort, "sort", "sort N  -- natural name order of N camera-like names: key time, sort time")
{
    const int count = args.value(0, QStringLiteral("100000")).toInt();
    QTextStream out(stdout);
    const QStringList names = cameraLikeNames(count);
    // The MIME table is built on first use (tens of milliseconds, once per process).
    QElapsedTimer timer;
    timer.start();
    LMRFileSystemItem::Facts warmUp;
    warmUp.resolvedPath = QStringLiteral("/warm/up.jpg");
    warmUp.statOk = true;
    LMRFileSystemItem warmItem(warmUp);
    const double warmUpTime = seconds(timer);

    timer.restart();
    std::vector<QByteArray> keys;
    keys.reserve(names.size());
    for (const QString &name : names)
        keys.push_back(LMRFileSystemItem::sortKeyForName(name));
    const double keyTime = seconds(timer);

    // Items as a walk makes them (from facts, no file system), then the list's sort.
    timer.restart();
    std::vector<LMRItemPtr> items;
    items.reserve(names.size());
    for (const QString &name : names) {
        LMRFileSystemItem::Facts facts;
        facts.resolvedPath = QStringLiteral("/photos/") + name;
        facts.statOk = true;
        facts.fileType = 0100000;
        items.push_back(std::make_shared<LMRFileSystemItem>(facts));
    }
    const double itemTime = seconds(timer);
    timer.restart();
    LMRFileSystemItem::sort(items);
    const double sortTime = seconds(timer);

    // The reference: a collator call per comparison.
    QStringList byCollator = names;
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    timer.restart();
    std::sort(byCollator.begin(), byCollator.end(),
              [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    const double collatorTime = seconds(timer);

    out << "names " << count << "\n"
        << "first item (MIME table, collator) " << warmUpTime * 1e3 << " ms\n"
        << "keys " << keyTime * 1e3 << " ms (" << keyTime * 1e9 / count << " ns a name)\n"
        << "items from facts " << itemTime * 1e3 << " ms (key, MIME type, hash)\n"
        << "sort " << sortTime * 1e3 << " ms\n"
        << "reference: QCollator::compare in std::sort " << collatorTime * 1e3 << " ms\n";
    return 0;
}
