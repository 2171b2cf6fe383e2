#include "prefs/Preferences.h"

#include "support/Log.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/SystemAppearance.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPalette>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace {

namespace Key {
const QString BackgroundColor = QStringLiteral("BackgroundColor");
const QString DefaultRootFolder = QStringLiteral("DefaultRootFolder");
const QString DiskThumbnails = QStringLiteral("DiskThumbnails");
const QString FolderDepth = QStringLiteral("FolderDepth");
const QString HighQualityThumbnails = QStringLiteral("HighQualityThumbnails");
const QString IncludePDFs = QStringLiteral("IncludePDFs");
const QString IncludeVideos = QStringLiteral("IncludeVideos");
const QString IntZoomValue = QStringLiteral("IntZoomValue");
const QString LabelColor = QStringLiteral("LabelColor");
const QString SelectionColor = QStringLiteral("SelectionColor");
const QString ShowBottomBar = QStringLiteral("ShowBottomBar");
const QString ShowFilenames = QStringLiteral("ShowFilenames");
const QString ShowSidebar = QStringLiteral("ShowSidebar");
const QString SidebarSortBy = QStringLiteral("SidebarSortBy");
const QString SidebarSortOrder = QStringLiteral("SidebarSortOrder");
const QString SlideshowPacing = QStringLiteral("SlideshowPacing");
const QString ThumbnailSortBy = QStringLiteral("ThumbnailSortBy");
const QString ThumbnailSortOrder = QStringLiteral("ThumbnailSortOrder");
const QString VideoMuted = QStringLiteral("VideoMuted");
const QString VideoVolume = QStringLiteral("VideoVolume");
} // namespace Key

QString encodeColor(const QColor &color)
{
    return color.name(QColor::HexArgb).toUpper();
}

QColor decodeColor(const QVariant &stored)
{
    if (stored.metaType() != QMetaType::fromType<QString>())
        return {};
    return QColor(stored.toString());
}

// Hand-edited files may hold anything; a whole number, a number with a fraction (cut toward
// zero) or nothing usable. Casting a double beyond the integer range is undefined, so such
// values count as unusable too.
std::optional<qint64> toInteger(const QVariant &stored)
{
    if (!stored.isValid())
        return std::nullopt;
    bool ok = false;
    // QVariant rounds a double to the nearest integer and wraps what does not fit; only text and
    // integers are taken as they are.
    const QMetaType type = stored.metaType();
    if (type != QMetaType::fromType<double>() && type != QMetaType::fromType<float>()) {
        const qint64 whole = stored.toLongLong(&ok);
        if (ok)
            return whole;
    }
    const double real = stored.toDouble(&ok);
    if (!ok || !std::isfinite(real) || real >= 9.2e18 || real <= -9.2e18)
        return std::nullopt;
    return qint64(std::trunc(real));
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Preferences::AlertHandler &alertHandler()
{
    static Preferences::AlertHandler handler;
    return handler;
}

QMutex &alertHandlerMutex()
{
    static QMutex mutex;
    return mutex;
}

} // namespace

Preferences &Preferences::sharedInstance()
{
    // A function-local static is created once even when several threads ask first.
    static Preferences instance;
    return instance;
}

namespace {

std::unique_ptr<QSettings> openSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Lumory"),
                                       QStringLiteral("Lumory"));
}

} // namespace

Preferences::Preferences()
    : m_settings(openSettings())
    , m_registered(defaults())
{
    m_settings->sync();
}

QVariantMap Preferences::defaults() const
{
    const bool dark = LMRSystemAppearance::isDarkMode();
    const QColor highlight = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                                 ? QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight)
                                 : QColor(0x30, 0x8c, 0xc6);
    return {
        {Key::BackgroundColor, encodeColor(dark ? QColor(0x32, 0x32, 0x32) : QColor(Qt::white))},
        {Key::DiskThumbnails, true},
        {Key::HighQualityThumbnails, false},
        {Key::IncludePDFs, true},
        {Key::IncludeVideos, true},
        {Key::IntZoomValue, qint64(3)},
        {Key::LabelColor, encodeColor(dark ? QColor(Qt::white) : QColor(Qt::black))},
        {Key::SelectionColor, encodeColor(highlight)},
        {Key::ShowBottomBar, true},
        {Key::ShowFilenames, false},
        {Key::ShowSidebar, true},
        {Key::SidebarSortBy, qint64(1)},
        {Key::SidebarSortOrder, qint64(1)},
        {Key::SlideshowPacing, 4.0f},
        {Key::ThumbnailSortBy, qint64(1)},
        {Key::ThumbnailSortOrder, qint64(1)},
        {Key::VideoMuted, false},
        {Key::VideoVolume, 1.0f},
    };
}

QVariant Preferences::value(const QString &key) const
{
    QMutexLocker locker(&m_mutex);
    if (auto held = m_held.constFind(key); held != m_held.constEnd())
        return held.value();
    const QVariant stored = m_settings->value(key);
    return stored.isValid() ? stored : m_registered.value(key);
}

void Preferences::write(const QString &key, const QVariant &value, const QString &notification)
{
    {
        QMutexLocker locker(&m_mutex);
        if (m_holds > 0) {
            m_held.insert(key, value);
        } else {
            m_settings->setValue(key, value);
            m_settings->sync();
            if (m_settings->status() != QSettings::NoError)
                LMRLog(QStringLiteral("Settings could not be written to %1").arg(m_settings->fileName()));
        }
    }
    // Posted without the lock: handlers read the new value through the getters.
    if (!notification.isEmpty())
        LMRNotificationCenter::defaultCenter().post(notification);
}

bool Preferences::boolValue(const QString &key) const
{
    return value(key).toBool();
}

qint64 Preferences::integerValue(const QString &key) const
{
    if (const auto stored = toInteger(value(key)))
        return *stored;
    return toInteger(m_registered.value(key)).value_or(0);
}

QColor Preferences::colorValue(const QString &key) const
{
    const QColor stored = decodeColor(value(key));
    return stored.isValid() ? stored : decodeColor(m_registered.value(key));
}

void Preferences::setColorValue(const QString &key, const QColor &color, const QString &notification)
{
    write(key, encodeColor(color), notification);
}

void Preferences::resetColor(const QString &key, void (Preferences::*setter)(const QColor &))
{
    (this->*setter)(decodeColor(defaults().value(key)));
}

QColor Preferences::backgroundColor() const { return colorValue(Key::BackgroundColor); }
QColor Preferences::labelColor() const { return colorValue(Key::LabelColor); }
QColor Preferences::selectionColor() const { return colorValue(Key::SelectionColor); }

void Preferences::setBackgroundColor(const QColor &color)
{
    setColorValue(Key::BackgroundColor, color, LMRNotifications::BackgroundColorChanged);
}

void Preferences::setLabelColor(const QColor &color)
{
    setColorValue(Key::LabelColor, color, LMRNotifications::LabelColorChanged);
}

void Preferences::setSelectionColor(const QColor &color)
{
    setColorValue(Key::SelectionColor, color, LMRNotifications::SelectionColorChanged);
}

void Preferences::resetBackgroundColor() { resetColor(Key::BackgroundColor, &Preferences::setBackgroundColor); }
void Preferences::resetLabelColor() { resetColor(Key::LabelColor, &Preferences::setLabelColor); }
void Preferences::resetSelectionColor() { resetColor(Key::SelectionColor, &Preferences::setSelectionColor); }

// The record is the folder's path with the device and inode it had when stored: the path
// finds the folder again, the identity tells whether it is still the same one.
QString Preferences::defaultRootFolder()
{
    const QVariant stored = value(Key::DefaultRootFolder);
    if (!stored.isValid())
        return {};
    const QStringList record = stored.toStringList();
    bool deviceOk = false;
    bool inodeOk = false;
    const qulonglong device = record.value(1).toULongLong(&deviceOk);
    const qulonglong inode = record.value(2).toULongLong(&inodeOk);
    // An unreadable record names no folder; it is passed over quietly.
    if (record.size() != 3 || !deviceOk || !inodeOk || !QDir::isAbsolutePath(record.at(0)))
        return {};
    const QString path = record.at(0);

    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return {};
        alert(QCoreApplication::translate("Preferences", "The folder “%1” could not be opened: %2.")
                  .arg(path, errorText(error)));
        return {};
    }
    // A file where the folder was is no root to show.
    if (!S_ISDIR(info.st_mode))
        return {};
    if (qulonglong(info.st_dev) != device || qulonglong(info.st_ino) != inode)
        setDefaultRootFolder(path);
    return path;
}

void Preferences::setDefaultRootFolder(const QString &folderPath)
{
    const QString path = QDir::cleanPath(QFileInfo(folderPath).absoluteFilePath());
    struct stat info {};
    if (folderPath.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0) {
        const int error = folderPath.isEmpty() ? ENOENT : errno;
        alert(QCoreApplication::translate("Preferences", "The folder “%1” could not be remembered: %2.")
                  .arg(folderPath, errorText(error)));
        return;
    }
    write(Key::DefaultRootFolder,
          QStringList{path, QString::number(qulonglong(info.st_dev)),
                      QString::number(qulonglong(info.st_ino))});
}

qint64 Preferences::folderDepth() const
{
    const qint64 depth = integerValue(Key::FolderDepth);
    return depth > 0 ? -1 : depth;
}

void Preferences::setFolderDepth(qint64 depth) { write(Key::FolderDepth, depth); }

bool Preferences::diskThumbnails() const { return boolValue(Key::DiskThumbnails); }
void Preferences::setDiskThumbnails(bool on)
{
    write(Key::DiskThumbnails, on);
}

bool Preferences::highQualityThumbnails() const { return boolValue(Key::HighQualityThumbnails); }
void Preferences::setHighQualityThumbnails(bool on)
{
    write(Key::HighQualityThumbnails, on, LMRNotifications::HighQualityThumbnailsChanged);
}

bool Preferences::includePDFs() const { return boolValue(Key::IncludePDFs); }
void Preferences::setIncludePDFs(bool on) { write(Key::IncludePDFs, on); }

bool Preferences::includeVideos() const { return boolValue(Key::IncludeVideos); }
void Preferences::setIncludeVideos(bool on) { write(Key::IncludeVideos, on); }

qint64 Preferences::intZoomValue() const { return integerValue(Key::IntZoomValue); }
// Written as a floating-point number, as the zoom slider delivers it; readers cut it to a whole
// step whatever the file holds.
void Preferences::setIntZoomValue(qint64 zoom) { write(Key::IntZoomValue, double(zoom)); }

bool Preferences::showBottomBar() const { return boolValue(Key::ShowBottomBar); }
void Preferences::setShowBottomBar(bool on) { write(Key::ShowBottomBar, on); }

bool Preferences::showFilenames() const { return boolValue(Key::ShowFilenames); }
void Preferences::setShowFilenames(bool on)
{
    write(Key::ShowFilenames, on, LMRNotifications::ShowFilenamesChanged);
}

bool Preferences::showSidebar() const { return boolValue(Key::ShowSidebar); }
void Preferences::setShowSidebar(bool on) { write(Key::ShowSidebar, on); }

qint64 Preferences::sidebarSortBy() const { return integerValue(Key::SidebarSortBy); }
void Preferences::setSidebarSortBy(qint64 sortBy) { write(Key::SidebarSortBy, sortBy); }

qint64 Preferences::sidebarSortOrder() const { return integerValue(Key::SidebarSortOrder); }
void Preferences::setSidebarSortOrder(qint64 sortOrder) { write(Key::SidebarSortOrder, sortOrder); }

qint64 Preferences::thumbnailSortBy() const { return integerValue(Key::ThumbnailSortBy); }
void Preferences::setThumbnailSortBy(qint64 sortBy) { write(Key::ThumbnailSortBy, sortBy); }

qint64 Preferences::thumbnailSortOrder() const { return integerValue(Key::ThumbnailSortOrder); }
void Preferences::setThumbnailSortOrder(qint64 sortOrder) { write(Key::ThumbnailSortOrder, sortOrder); }

float Preferences::slideshowPacing() const
{
    bool ok = false;
    const float seconds = value(Key::SlideshowPacing).toFloat(&ok);
    if (ok && std::isfinite(seconds))
        return seconds;
    return m_registered.value(Key::SlideshowPacing).toFloat();
}

void Preferences::setSlideshowPacing(float seconds)
{
    write(Key::SlideshowPacing, seconds, LMRNotifications::SlideshowPacingChanged);
}

float Preferences::videoVolume() const
{
    bool ok = false;
    const float volume = value(Key::VideoVolume).toFloat(&ok);
    // A hand-edited value beyond the slider's ends is taken at the nearer end.
    if (ok && std::isfinite(volume))
        return std::clamp(volume, 0.0f, 1.0f);
    return m_registered.value(Key::VideoVolume).toFloat();
}

void Preferences::setVideoVolume(float volume)
{
    write(Key::VideoVolume, std::isfinite(volume) ? std::clamp(volume, 0.0f, 1.0f) : 1.0f);
}

bool Preferences::videoMuted() const { return boolValue(Key::VideoMuted); }
void Preferences::setVideoMuted(bool muted) { write(Key::VideoMuted, muted); }

bool Preferences::isDebugModeEnabled()
{
    return qgetenv("DEBUG") == "1";
}

QStringList Preferences::supportedVideoUTIs()
{
    return {QStringLiteral("video/mp4"), QStringLiteral("video/x-m4v"),
            QStringLiteral("video/quicktime")};
}

QVariant Preferences::storedValue(const QString &key) const
{
    return value(key);
}

void Preferences::setStoredValue(const QString &key, const QVariant &value)
{
    write(key, value);
}

QSettings &Preferences::settings()
{
    return *m_settings;
}

Preferences::WriteHold Preferences::holdWrites()
{
    {
        QMutexLocker locker(&m_mutex);
        ++m_holds;
    }
    // The token's deleter ends the hold, whoever drops the last copy and whenever.
    return WriteHold(static_cast<void *>(this), [](void *self) {
        auto *preferences = static_cast<Preferences *>(self);
        QMutexLocker locker(&preferences->m_mutex);
        if (--preferences->m_holds == 0)
            preferences->writeHeldValuesLocked();
    });
}

void Preferences::writeHeldValues()
{
    QMutexLocker locker(&m_mutex);
    writeHeldValuesLocked();
}

void Preferences::writeHeldValuesLocked()
{
    if (m_held.isEmpty())
        return;
    for (auto it = m_held.constBegin(); it != m_held.constEnd(); ++it)
        m_settings->setValue(it.key(), it.value());
    m_held.clear();
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        LMRLog(QStringLiteral("Settings could not be written to %1").arg(m_settings->fileName()));
}

Preferences::AlertHandler Preferences::setAlertHandler(AlertHandler handler)
{
    QMutexLocker locker(&alertHandlerMutex());
    return std::exchange(alertHandler(), std::move(handler));
}

void Preferences::alert(const QString &text)
{
    AlertHandler handler;
    {
        QMutexLocker locker(&alertHandlerMutex());
        handler = alertHandler();
    }
    if (handler) {
        handler(text);
        return;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        LMRLog(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void Preferences::clearForTesting()
{
    const QVariantMap fresh = defaults();
    QMutexLocker locker(&m_mutex);
    m_held.clear();
    m_settings->clear();
    m_settings->sync();
    // A store keeps the first error it met for good: a test that had it fail (files accessed as
    // another user) must not leave the next one a store that reports every write as failed.
    if (m_settings->status() != QSettings::NoError)
        m_settings = openSettings();
    m_registered = fresh;
}
