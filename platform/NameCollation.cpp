#include "platform/NameCollation.h"

#include <QLocale>

#if LUMORY_HAVE_ICU
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <memory>

namespace {
struct CollatorCloser {
    void operator()(UCollator *collator) const { ucol_close(collator); }
};

// A collator is not safe to share between threads; opening one costs far more than a key, so
// each thread opens one the first time it needs it and keeps it.
UCollator *threadCollator()
{
    thread_local std::unique_ptr<UCollator, CollatorCloser> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray locale = QLocale().name().toLatin1();
        UCollator *c = ucol_open(locale.constData(), &status);
        if (U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            c = ucol_open("", &status);
        }
        if (c) {
            status = U_ZERO_ERROR;
            ucol_setAttribute(c, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
            // Tertiary strength keeps case out of the order except between names that differ
            // in nothing else, so equal-but-for-case names still come out in a fixed order.
            ucol_setAttribute(c, UCOL_STRENGTH, UCOL_TERTIARY, &status);
        }
        return std::unique_ptr<UCollator, CollatorCloser>(c);
    }();
    return collator.get();
}
} // namespace

QByteArray LMRNameCollation::sortKey(const QString &name)
{
    UCollator *collator = threadCollator();
    if (!collator)
        return name.toCaseFolded().toUtf8();
    const auto *text = reinterpret_cast<const UChar *>(name.utf16());
    uint8_t buffer[512];
    int32_t length = ucol_getSortKey(collator, text, int32_t(name.size()), buffer, sizeof buffer);
    if (length <= 0)
        return {};
    if (length <= int32_t(sizeof buffer))
        return QByteArray(reinterpret_cast<const char *>(buffer), length - 1);   // no final NUL
    QByteArray key(length, Qt::Uninitialized);
    ucol_getSortKey(collator, text, int32_t(name.size()), reinterpret_cast<uint8_t *>(key.data()),
                    length);
    key.chop(1);
    return key;
}

#else

// Without ICU: case-folded UTF-16 code units in big-endian order (so memcmp follows code
// points), with each digit run written as its length without leading zeros and then its
// digits, so that a longer number sorts after a shorter one. Not locale-aware.
QByteArray LMRNameCollation::sortKey(const QString &name)
{
    const QString folded = name.toCaseFolded();
    QByteArray key;
    key.reserve(folded.size() * 2 + 8);
    auto put = [&key](char16_t u) {
        key.append(char(u >> 8));
        key.append(char(u & 0xff));
    };
    for (qsizetype i = 0; i < folded.size();) {
        if (folded[i] >= u'0' && folded[i] <= u'9') {
            qsizetype end = i;
            while (end < folded.size() && folded[end] >= u'0' && folded[end] <= u'9')
                ++end;
            qsizetype start = i;
            while (start + 1 < end && folded[start] == u'0')
                ++start;
            put(u'0');   // digits before letters, as in the collated order
            put(char16_t(end - start));
            for (qsizetype j = start; j < end; ++j)
                put(folded[j].unicode());
            i = end;
        } else {
            put(folded[i].unicode());
            ++i;
        }
    }
    return key;
}

#endif
