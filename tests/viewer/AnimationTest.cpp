// Animated pictures play in the viewer at their files' frame timing, as often as the files
// say, and rest on the last frame; a damaged animation plays what it can. The GIF and PNG
// animations are written here byte by byte, so each frame's colour and delay is known.

#include "ViewerTestSupport.h"

#include "support/ImageFixtures.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/FullSizeView.h"
#include "viewer/ScalingImageView.h"


using viewertest::itemAt;
using viewertest::RecordingDelegate;

namespace {

struct Frame {
    QColor colour;
    int delay; // milliseconds
};

// A GIF of solid frames with a palette of four colours. The image data is LZW at its most
// naive: a clear code before every pair of pixels keeps the codes three bits wide.
// loops: -1 writes no loop extension (the file plays once), otherwise its repeat count.
QByteArray gif(QSize size, const QList<Frame> &frames, int loops)
{
    QByteArray out;
    QDataStream file(&out, QIODevice::WriteOnly);
    file.setByteOrder(QDataStream::LittleEndian);
    file.writeRawData("GIF89a", 6);
    file << quint16(size.width()) << quint16(size.height()) << quint8(0xf1) << quint16(0); // global table of 4 entries
    for (int i = 0; i < 4; ++i) {
        const QColor c = frames.value(i).colour;
        file << quint8(c.red()) << quint8(c.green()) << quint8(c.blue());
    }
    if (loops >= 0) {
        file.writeRawData("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
        file << quint16(loops) << quint8(0);
    }
    for (int index = 0; index < frames.size(); ++index) {
        // A control block that leaves the frame in place, then the frame over the whole canvas
        // with a minimum code size of 2.
        file.writeRawData("\x21\xf9\x04\x04", 4);
        file << quint16(frames[index].delay / 10) << quint16(0) << quint8(',') << quint32(0) << quint16(size.width())
             << quint16(size.height()) << quint8(0) << quint8(2);
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
            file << quint8(block.size());
            file.writeRawData(block.constData(), int(block.size()));
        }
        file << quint8(0);
    }
    file << quint8(';');
    return out;
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
            QByteArray control;
            QDataStream(&control, QIODevice::WriteOnly) << quint32(frames.size()) << quint32(plays);
            out += lmrimages::pngChunk("IHDR", pngChunks(encoded, "IHDR")) + lmrimages::pngChunk("acTL", control);
        }
        // Placed at the origin, for delay / 1000 seconds, neither disposed of nor blended.
        QByteArray placement;
        QDataStream(&placement, QIODevice::WriteOnly) << sequence++ << quint32(size.width()) << quint32(size.height())
                                                      << quint64(0) << quint16(frames[index].delay) << quint16(1000) << quint16(0);
        out += lmrimages::pngChunk("fcTL", placement);
        QByteArray data;
        if (index > 0)
            QDataStream(&data, QIODevice::WriteOnly) << sequence++;
        out += lmrimages::pngChunk(index == 0 ? "IDAT" : "fdAT", data + pngChunks(encoded, "IDAT"));
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

    // A still picture of an animatable type, and animations cut off or lying about their
    // frames: nothing plays that should not, and what can play, plays.
    void damagedOrStill_data()
    {
        // frames: shown before it rests (0: not an animation); delay: the last one's
        lmrtest::columns<QString, QString, int, int>({"file", "mimeType", "frames", "delay"});
        const QList<Frame> three{{Qt::red, 20}, {Qt::green, 20}, {Qt::blue, 20}};
        const QByteArray png = apng(QSize(30, 20), three, 1);
        const QByteArray gif3 = gif(QSize(20, 14), three, -1);
        QTest::newRow("still PNG") << write("still.png", lmrimages::encoded(lmrimages::filled(QSize(10, 10), Qt::gray), "PNG"))
                                   << "image/png" << 0 << 0;
        QTest::newRow("one-frame GIF") << write("one.gif", gif(QSize(8, 8), {{Qt::red, 50}}, 0)) << "image/gif" << 0 << 0;
        QTest::newRow("PNG cut in its last frame") << write("cut.png", png.left(png.size() - 40)) << "image/png" << 0 << 0;
        QByteArray corrupt = png;
        const qsizetype lastData = corrupt.lastIndexOf("fdAT");
        // A compressed stream that does not even start like one.
        corrupt[lastData + 8] = char(0xff);
        corrupt[lastData + 9] = char(0xff);
        QTest::newRow("PNG whose last frame is garbage") << write("garbage.png", corrupt) << "image/png" << 2 << 20;
        // Qt shows what arrived of a frame cut short.
        QTest::newRow("GIF cut in its last frame") << write("cut.gif", gif3.left(gif3.size() - 30)) << "image/gif" << 3 << 20;
        QTest::newRow("not a GIF at all") << write("text.gif", "GIF89a but not really") << "image/gif" << 0 << 0;
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
        QTEST(player.frameDelay(), "delay");
    }

};

LMR_REGISTER_TEST(AnimationTest);
#include "AnimationTest.moc"
