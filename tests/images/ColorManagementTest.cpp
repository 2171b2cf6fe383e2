// Colour management on real files of every family that carries a colour description: the
// decoded colours (thumbnail and whole image) against a reference conversion computed here with
// Little CMS in double precision, from profiles the test builds itself. Untagged and sRGB-tagged
// pictures come back exactly as stored.

#include "ImagesTestSupport.h"

#include "platform/ColorManagement.h"

#include "platform/DisplayColorProfile.h"

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define TEST_HAVE_XCB 1
#endif

#if __has_include(<lcms2.h>)
#include <lcms2.h>
#define TEST_HAVE_LCMS2 1
#endif

namespace {

#if TEST_HAVE_LCMS2
QByteArray saveProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), 0);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

QByteArray rgbProfile(const cmsCIExyYTRIPLE &primaries, cmsToneCurve *curve)
{
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    cmsToneCurve *curves[3] = {curve, curve, curve};
    const QByteArray bytes = saveProfile(cmsCreateRGBProfile(&d65, &primaries, curves));
    cmsFreeToneCurve(curve);
    return bytes;
}
#endif

// Profiles by name: "adobe" (Adobe RGB 1998), "p3" (Display P3), "srgb", "" (none).
QByteArray profileNamed(const QString &name)
{
#if TEST_HAVE_LCMS2
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    if (name == "adobe")
        return rgbProfile({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, cmsBuildGamma(nullptr, 563.0 / 256));
    if (name == "p3")
        return rgbProfile({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
                          cmsBuildParametricToneCurve(nullptr, 4, srgbCurve));
    if (name == "srgb")
        return saveProfile(cmsCreate_sRGBProfile());
#endif
    Q_UNUSED(name);
    return {};
}

// The colour a pixel stored in `from` has in `to` (empty: sRGB), in double precision.
QColor reference(const QColor &stored, const QByteArray &from, const QByteArray &to)
{
#if TEST_HAVE_LCMS2
    auto open = [](const QByteArray &p) {
        return p.isEmpty() ? cmsCreate_sRGBProfile() : cmsOpenProfileFromMem(p.constData(), cmsUInt32Number(p.size()));
    };
    cmsHPROFILE in = open(from), out = open(to);
    cmsHTRANSFORM t = cmsCreateTransform(in, TYPE_RGB_DBL, out, TYPE_RGB_DBL, INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE);
    const double src[3] = {stored.redF(), stored.greenF(), stored.blueF()};
    double dst[3] = {0, 0, 0};
    cmsDoTransform(t, src, dst, 1);
    cmsDeleteTransform(t);
    cmsCloseProfile(in);
    cmsCloseProfile(out);
    auto channel = [](double v) { return qBound(0, qRound(v * 255), 255); };
    return QColor(channel(dst[0]), channel(dst[1]), channel(dst[2]));
#else
    Q_UNUSED(from); Q_UNUSED(to);
    return stored;
#endif
}

int channelError(const QColor &a, const QColor &b)
{
    return qMax(qAbs(a.red() - b.red()), qMax(qAbs(a.green() - b.green()), qAbs(a.blue() - b.blue())));
}

// Four flat patches, far enough inside each gamut's edge to tell the spaces apart.
const QColor kPatches[4] = {QColor(200, 40, 50), QColor(40, 170, 70), QColor(50, 70, 190), QColor(190, 180, 70)};

QImage patches(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixelColor(x, y, kPatches[(y * 2 / side) * 2 + x * 2 / side]);
    return image;
}

} // namespace

class ColorManagementTest : public QObject, imagestest::Pictures
{
    Q_OBJECT

private slots:
    void cleanup() { LMRColorManagement::setDisplayProfile({}); }

    void convertsToTheOutput_data()
    {
        lmrtest::columns<QString, QString, QString, int>({"kind", "profile", "display", "tolerance"});
        QTest::newRow("JPEG, Adobe RGB") << "jpeg" << "adobe" << "" << 4;
        QTest::newRow("JPEG, Display P3") << "jpeg" << "p3" << "" << 4;
        QTest::newRow("PNG, Adobe RGB") << "png" << "adobe" << "" << 2;
        QTest::newRow("PNG palette, Display P3") << "png-palette" << "p3" << "" << 2;
        QTest::newRow("TIFF, Adobe RGB") << "tiff" << "adobe" << "" << 2;
        QTest::newRow("WebP, Display P3") << "webp" << "p3" << "" << 2;
        QTest::newRow("HEIF, Display P3") << "heif" << "p3" << "" << 8;
        QTest::newRow("AVIF, Adobe RGB") << "avif" << "adobe" << "" << 8;
        QTest::newRow("AVIF, nclx Display P3") << "avif-nclx" << "p3" << "" << 8;
        QTest::newRow("JPEG XL, Adobe RGB") << "jxl" << "adobe" << "" << 2;
        QTest::newRow("PNG, sRGB profile: untouched") << "png" << "srgb" << "" << 0;
        QTest::newRow("PNG, untagged: untouched") << "png" << "" << "" << 0;
        QTest::newRow("PNG, untagged, P3 display") << "png" << "" << "p3" << 2;
        QTest::newRow("JPEG, Adobe RGB, P3 display") << "jpeg" << "adobe" << "p3" << 4;
    }
    void convertsToTheOutput()
    {
        QFETCH(QString, kind);
        QFETCH(QString, profile);
        QFETCH(QString, display);
        QFETCH(int, tolerance);
#if !TEST_HAVE_LCMS2
        QSKIP("Little CMS is not installed: no reference conversion");
#endif
        const QByteArray source = profileNamed(profile);
        const QByteArray output = profileNamed(display);
        const QString suffix = kind == "png-palette" ? QStringLiteral("png") : kind == "avif-nclx" ? QStringLiteral("avif") : kind;
        const QString path = file(QStringLiteral("%1.%2").arg(QTest::currentDataTag(), suffix));
        QString mime;
        QVERIFY2(write(kind, path, patches(128), source, &mime), qPrintable(kind + " cannot be written here"));

        LMRColorManagement::setDisplayProfile(output);
        auto opened = LMRImageSource::open(path, mime);
        QVERIFY(opened);
        const QImage thumbnail = opened->thumbnail(64);
        QCOMPARE(opened->thumbnail(1000).size(), QSize(128, 128));     // never enlarged
        const QImage full = LMRImageSource::decodeFile(path, mime).image;
        QCOMPARE(full.size(), QSize(128, 128));
        for (int i = 0; i < 4; ++i) {
            const QColor expected = reference(kPatches[i], source, output);
            for (const QImage &image : {thumbnail, full}) {
                const int side = image.width();
                const QColor got = image.pixelColor((i % 2) * side / 2 + side / 4, (i / 2) * side / 2 + side / 4);
                QVERIFY2(channelError(got, expected) <= tolerance,
                         qPrintable(QStringLiteral("patch %1 at %2 px: %3 for %4").arg(i).arg(side).arg(got.name(), expected.name())));
            }
        }
    }

    void unusableProfilesLeavePixels_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::newRow("garbage") << QByteArray("not a profile at all, just bytes");
        QTest::newRow("truncated") << profileNamed("adobe").left(200);
    }
    void unusableProfilesLeavePixels()
    {
        QFETCH(QByteArray, profile);
        const QImage image = patches(16);
        QVERIFY(!LMRColorManagement::isUsableProfile(profile));
        QCOMPARE(LMRColorManagement::convertToOutput(image, profile), image);
        // A display profile that is not one leaves sRGB as the output.
        LMRColorManagement::setDisplayProfile(profile);
        QVERIFY(LMRColorManagement::displayProfile().isEmpty());
    }

    // The display's profile is read from the X root window and followed as it changes. Needs
    // an X server: under another platform the test starts a private Xvfb and runs itself there.
    void followsTheDisplayProfile()
    {
#if !TEST_HAVE_XCB || !TEST_HAVE_LCMS2
        QSKIP("built without XCB or Little CMS");
#else
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            runUnderXvfb();
            return;
        }
        xcb_connection_t *x = xcb_connect(nullptr, nullptr);
        QVERIFY(x && !xcb_connection_has_error(x));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, 12, "_ICC_PROFILE"), nullptr);
        QVERIFY(atom);
        xcb_delete_property(x, root, atom->atom);
        xcb_flush(x);

        LMRDisplayColorProfile watcher;
        QSignalSpy changed(&watcher, &LMRDisplayColorProfile::profileChanged);
        QVERIFY(watcher.profile().isEmpty());
        const QByteArray p3 = profileNamed("p3");
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_CARDINAL, 8, quint32(p3.size()),
                            p3.constData());
        xcb_flush(x);
        QVERIFY(changed.wait(10000));
        QCOMPARE(watcher.profile(), p3);
        QCOMPARE(LMRColorManagement::displayProfile(), p3);
        // An untagged picture is now converted for the display.
        const QColor shown = LMRColorManagement::convertToOutput(patches(2), QByteArray()).pixelColor(0, 0);
        const QColor expected = reference(kPatches[0], QByteArray(), p3);
        QVERIFY2(channelError(shown, expected) <= 2, qPrintable(shown.name() + " for " + expected.name()));

        xcb_delete_property(x, root, atom->atom);
        xcb_flush(x);
        QVERIFY(changed.wait(10000));
        QVERIFY(LMRColorManagement::displayProfile().isEmpty());
        std::free(atom);
        xcb_disconnect(x);
#endif
    }

private:
    static void runUnderXvfb()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            QSKIP("Xvfb is not installed");
        QProcess server;
        server.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "320x240x24"});
        QVERIFY(server.waitForStarted());
        QByteArray number;
        while (!number.contains('\n') && server.waitForReadyRead(20000))
            number += server.readAllStandardOutput();
        QVERIFY2(!number.trimmed().isEmpty(), "Xvfb gave no display number");
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number.trimmed()));
        env.insert(QStringLiteral("LMR_TEST_CLASS"), QStringLiteral("ColorManagementTest"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("followsTheDisplayProfile")});
        const bool finished = child.waitForFinished(120000);
        const QByteArray output = child.readAll();
        server.terminate();
        server.waitForFinished(5000);
        QVERIFY2(finished && child.exitCode() == 0, output.constData());
        QVERIFY2(output.contains("PASS   : ColorManagementTest::followsTheDisplayProfile()"), output.constData());
    }

    static bool write(const QString &kind, const QString &path, const QImage &image, const QByteArray &profile, QString *mime)
    {
        *mime = kind == "heif" ? "image/heif" : kind == "png-palette" ? "image/png" : kind == "avif-nclx" ? "image/avif" : "image/" + kind;
        if (kind == "avif-nclx")   // primaries 12: Display P3; the profile only serves the reference
            return lmrimages::writeHeif(path, image, true, QByteArray(), 12);
        if (kind == "heif" || kind == "avif")
            return lmrimages::writeHeif(path, image, kind == "avif", profile);
        if (kind == "jxl")
            return lmrimages::writeJxl(path, image, profile);
        QImage tagged = image;
        if (!profile.isEmpty())
            tagged.setColorSpace(QColorSpace::fromIccProfile(profile));
        if (kind == "png-palette") {
            tagged = tagged.convertToFormat(QImage::Format_Indexed8);
            return tagged.colorCount() <= 8 && tagged.save(path, "png");
        }
        return tagged.save(path, kind.toLatin1().constData(), 100);
    }
};

LMR_REGISTER_TEST(ColorManagementTest);
#include "ColorManagementTest.moc"
