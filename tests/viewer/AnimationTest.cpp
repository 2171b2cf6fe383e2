// Animated pictures play in the viewer at their files' frame timing, as often as the files
// say, and rest on the last frame; a damaged animation plays what it can. The GIF and PNG
// animations are written here byte by byte, so each frame's colour and delay is known; the
// WebP one comes from the ffmpeg tool.

#include "ViewerTestSupport.h"

#include "platform/AnimatedImage.h"
#include "support/ImageFixtures.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/FullSizeView.h"
#include "viewer/ScalingImageView.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using viewertest::itemAt;
using viewertest::RecordingDelegate;

namespace {

struct Frame {
    QColor colour;
    int delay; // milliseconds
};

void put16(QByteArray &out, int value)
{
    out.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
}

// A GIF of solid frames with a palette of four colours. The image data is LZW at its most
// naive: a clear code before every pair of pixels keeps the codes three bits wide.
// loops: -1 writes no loop extension (the file plays once), otherwise its repeat count.
QByteArray gif(QSize size, const QList<Frame> &frames, int loops)
{
    QByteArray out("GIF89a");
    put16(out, size.width());
    put16(out, size.height());
    out.append(char(0xf1)).append('\0').append('\0'); // global table of 4 entries
    for (int i = 0; i < 4; ++i) {
        const QColor c = frames.value(i).colour;
        out.append(char(c.red())).append(char(c.green())).append(char(c.blue()));
    }
    if (loops >= 0) {
        out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
        put16(out, loops);
        out.append('\0');
    }
    for (int index = 0; index < frames.size(); ++index) {
        out.append("\x21\xf9\x04\x04", 4); // control: leave the frame in place
        put16(out, frames[index].delay / 10);
        out.append('\0').append('\0');
        out.append(',');
        put16(out, 0);
        put16(out, 0);
        put16(out, size.width());
        put16(out, size.height());
        out.append('\0');
        out.append('\x02'); // minimum code size
        QByteArray data;
        quint32 bits = 0;
        int bitCount = 0;
        auto code = [&](int value) {
            bits |= quint32(value) << bitCount;
            bitCount += 3;
            while (bitCount >= 8) {
                data.append(char(bits & 0xff));
                bits >>= 8;
                bitCount -= 8;
            }
        };
        const int pixels = size.width() * size.height();
        for (int p = 0; p < pixels; p += 2) {
            code(4);
            code(index);
            if (p + 1 < pixels)
                code(index);
        }
        code(5);
        if (bitCount > 0)
            data.append(char(bits & 0xff));
        for (int at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            out.append(char(block.size())).append(block);
        }
        out.append('\0');
    }
    out.append(';');
    return out;
}

void put32(QByteArray &out, quint32 value)
{
    out.append(char(value >> 24)).append(char(value >> 16)).append(char(value >> 8)).append(char(value));
}

// The chunks of one type from a PNG, concatenated.
QByteArray pngChunks(const QByteArray &png, const char *type)
{
    QByteArray found;
    for (qsizetype at = 8; at + 8 <= png.size();) {
        const quint32 length = (quint32(quint8(png[at])) << 24) | (quint32(quint8(png[at + 1])) << 16)
                               | (quint32(quint8(png[at + 2])) << 8) | quint32(quint8(png[at + 3]));
        if (png.mid(at + 4, 4) == type)
            found.append(png.mid(at + 8, length));
        at += 12 + length;
    }
    return found;
}

// An animated PNG whose frames cover the whole canvas; its still picture is the first frame.
// plays: 0 for ever, n in all.
QByteArray apng(QSize size, const QList<Frame> &frames, int plays)
{
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    quint32 sequence = 0;
    for (int index = 0; index < frames.size(); ++index) {
        const QByteArray encoded = lmrimages::encoded(lmrimages::filled(size, frames[index].colour, QImage::Format_ARGB32), "PNG");
        if (index == 0) {
            out += lmrimages::pngChunk("IHDR", pngChunks(encoded, "IHDR"));
            QByteArray control;
            put32(control, quint32(frames.size()));
            put32(control, quint32(plays));
            out += lmrimages::pngChunk("acTL", control);
        }
        QByteArray placement;
        put32(placement, sequence++);
        put32(placement, quint32(size.width()));
        put32(placement, quint32(size.height()));
        put32(placement, 0);
        put32(placement, 0);
        placement.append(char(frames[index].delay >> 8)).append(char(frames[index].delay & 0xff));
        placement.append('\x03').append(char(0xe8)); // milliseconds: a denominator of 1000
        placement.append('\0').append('\0');
        out += lmrimages::pngChunk("fcTL", placement);
        if (index == 0) {
            out += lmrimages::pngChunk("IDAT", pngChunks(encoded, "IDAT"));
        } else {
            QByteArray data;
            put32(data, sequence++);
            out += lmrimages::pngChunk("fdAT", data + pngChunks(encoded, "IDAT"));
        }
    }
    out += lmrimages::pngChunk("IEND", QByteArray());
    return out;
}

QColor middle(const QImage &image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8
           && std::abs(a.blue() - b.blue()) <= 8;
}

} // namespace

Q_DECLARE_METATYPE(Frame)

class AnimationTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Frame by frame: the colour on show and the delay it stays for are the file's, pass after
    // pass, until the passes the file asks for are done.
    void playsAtTheFilesTiming_data()
    {
        // passes: 0: for ever
        lmrtest::columns<QString, QString, int, QList<Frame>>({"file", "mimeType", "passes", "frames"});
        const QList<Frame> three{{Qt::red, 40}, {Qt::green, 150}, {Qt::blue, 70}};
        QTest::newRow("GIF, twice") << write("twice.gif", gif(QSize(20, 14), three, 1)) << "image/gif" << 2 << three;
        QTest::newRow("GIF without a loop extension plays once")
            << write("once.gif", gif(QSize(20, 14), three, -1)) << "image/gif" << 1 << three;
        QTest::newRow("GIF for ever") << write("ever.gif", gif(QSize(20, 14), three, 0)) << "image/gif" << 0 << three;
        // A zero delay means "fast", not "no time at all".
        const QList<Frame> zero{{Qt::yellow, 0}, {Qt::cyan, 60}};
        QTest::newRow("GIF with a zero delay") << write("zero.gif", gif(QSize(8, 8), zero, 1)) << "image/gif" << 2
                                               << QList<Frame>{{Qt::yellow, 100}, {Qt::cyan, 60}};
        QTest::newRow("PNG, three times") << write("thrice.png", apng(QSize(30, 20), three, 3)) << "image/png" << 3 << three;
        QTest::newRow("PNG for ever") << write("ever.png", apng(QSize(30, 20), three, 0)) << "image/png" << 0 << three;
    }

    void playsAtTheFilesTiming()
    {
        QFETCH(QString, file);
        QFETCH(QString, mimeType);
        QFETCH(int, passes);
        QFETCH(QList<Frame>, frames);
        QVERIFY(!file.isEmpty());
        // What the player says about each frame at the moment it shows it.
        struct Shown {
            QColor colour;
            int index, delay, passes;
        };
        QList<Shown> shown;
        LMRAnimationPlayer player;
        connect(&player, &LMRAnimationPlayer::frameChanged, this, [&](const QImage &image) {
            shown.append({middle(image), player.frameIndex(), player.frameDelay(), player.completedPasses()});
        });
        QSignalSpy finished(&player, &LMRAnimationPlayer::finished);
        player.start(file, mimeType);
        const int wanted = frames.size() * (passes == 0 ? 3 : passes);
        if (passes == 0) {
            QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= wanted, 10000);
            QVERIFY(player.isPlaying());
        } else {
            // No more frames after the last pass; the last one stays.
            QVERIFY(finished.wait(10000));
            QCOMPARE(shown.size(), wanted);
            QVERIFY(!player.isPlaying());
        }
        for (int n = 0; n < wanted; ++n) {
            const Frame &expected = frames[n % frames.size()];
            QVERIFY2(near(shown[n].colour, expected.colour), qPrintable(QString::number(n)));
            QCOMPARE(shown[n].index, n % int(frames.size()));
            QCOMPARE(shown[n].delay, expected.delay);
            QCOMPARE(shown[n].passes, n / int(frames.size()));
        }
    }

    void webpFromTheFfmpegTool()
    {
        const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        if (ffmpeg.isEmpty())
            QSKIP("the ffmpeg tool is needed to make an animated WebP");
        const QString file = m_dir.filePath(QStringLiteral("anim.webp"));
        // Four frames of a quarter second each, played twice.
        const int status = QProcess::execute(ffmpeg, QStringLiteral(
            "-v error -y -f lavfi -i testsrc=size=32x24:rate=4 -frames:v 4 -c:v libwebp_anim -loop 2 -lossless 1").split(u' ')
            << file);
        if (status != 0)
            QSKIP("this ffmpeg cannot write animated WebP");
        LMRAnimationPlayer player;
        QSignalSpy shown(&player, &LMRAnimationPlayer::frameChanged);
        QSignalSpy finished(&player, &LMRAnimationPlayer::finished);
        player.start(file, QStringLiteral("image/webp"));
        QVERIFY(finished.wait(10000));
        QCOMPARE(shown.size(), 8);
        QCOMPARE(player.frameDelay(), 250);
    }

    // A still picture of an animatable type, and animations cut off or lying about their
    // frames: nothing plays that should not, and what can play, plays.
    void damagedOrStill_data()
    {
        // frames: shown before it rests; 0: not an animation
        lmrtest::columns<QString, QString, int>({"file", "mimeType", "frames"});
        const QList<Frame> three{{Qt::red, 20}, {Qt::green, 20}, {Qt::blue, 20}};
        const QByteArray png = apng(QSize(30, 20), three, 1);
        const QByteArray gif3 = gif(QSize(20, 14), three, -1);
        QTest::newRow("still PNG") << write("still.png", lmrimages::encoded(lmrimages::filled(QSize(10, 10), Qt::gray), "PNG"))
                                   << "image/png" << 0;
        QTest::newRow("one-frame GIF") << write("one.gif", gif(QSize(8, 8), {{Qt::red, 50}}, 0)) << "image/gif" << 0;
        QTest::newRow("PNG cut in its last frame") << write("cut.png", png.left(png.size() - 40)) << "image/png" << 0;
        QByteArray corrupt = png;
        const qsizetype lastData = corrupt.lastIndexOf("fdAT");
        // A compressed stream that does not even start like one.
        corrupt[lastData + 8] = char(0xff);
        corrupt[lastData + 9] = char(0xff);
        QTest::newRow("PNG whose last frame is garbage") << write("garbage.png", corrupt) << "image/png" << 2;
        // Qt shows what arrived of a frame cut short.
        QTest::newRow("GIF cut in its last frame") << write("cut.gif", gif3.left(gif3.size() - 30)) << "image/gif" << 3;
        QTest::newRow("not a GIF at all") << write("text.gif", "GIF89a but not really") << "image/gif" << 0;
    }

    void damagedOrStill()
    {
        QFETCH(QString, file);
        QFETCH(QString, mimeType);
        QFETCH(int, frames);
        LMRAnimationPlayer player;
        QSignalSpy shown(&player, &LMRAnimationPlayer::frameChanged);
        QSignalSpy finished(&player, &LMRAnimationPlayer::finished);
        player.start(file, mimeType);
        if (frames == 0) {
            QTRY_VERIFY(!player.isDecoding());
            QCOMPARE(shown.size(), 0);
            QVERIFY(!player.isPlaying());
            return;
        }
        QVERIFY(finished.wait(5000));
        QCOMPARE(shown.size(), frames);
    }

    // In the viewer the picture itself changes, at its place and zoom; stepping away stops it.
    void theViewerShowsTheFrames()
    {
        const QList<Frame> three{{Qt::red, 60}, {Qt::green, 60}, {Qt::blue, 60}};
        const QString file = write("viewer.gif", gif(QSize(40, 30), three, 0));
        RecordingDelegate delegate;
        FullSizeView view;
        view.setDelegate(&delegate);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.showItem(itemAt(file));
        QTRY_VERIFY(view.zoomedToFit());
        const QSizeF frame = view.imageView()->frameSize();
        QTRY_VERIFY(near(middle(view.imageView()->image().image), Qt::green));
        QTRY_VERIFY(near(middle(view.imageView()->image().image), Qt::blue));
        QCOMPARE(view.imageView()->frameSize(), frame);
        QVERIFY(view.animationPlayer()->isPlaying());

        view.showItem(itemAt(write("plain.png", QByteArray())));
        QVERIFY(!view.animationPlayer()->isPlaying());
    }
};

LMR_REGISTER_TEST(AnimationTest);
#include "AnimationTest.moc"
