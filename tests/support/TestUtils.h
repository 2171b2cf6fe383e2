#pragma once
// Helpers shared by the test areas: files and folders made on the fly, so that no test depends
// on sample files from elsewhere.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace lmrtest {

// Writes bytes to a file, creating parent folders; returns the absolute path.
QString writeFile(const QString &path, const QByteArray &bytes);

// A file's bytes, or "<missing>" when it cannot be read.
QByteArray readFile(const QString &path);

// Saves a colour gradient image of the given size in the format the file suffix names.
QString writeImage(const QString &path, int width, int height, const char *format = nullptr,
                   int quality = 90);

// A gradient picture whose corners differ, so that rotations and mirrors can be told apart.
QImage makeTestImage(int width, int height);

// The Trash of the test run's home: where GLib moves what the program trashes.
QString trashFolder();

// The average colour of a square region, for fuzzy comparisons of decoded images.
QColor averageColor(const QImage &image, const QRect &region);

// While one lives, this thread's file accesses, and those of threads it starts meanwhile, are
// checked as the user "nobody" if the tests run as root (CI does), so that a folder of mode 000
// is unreadable there too. Root reads everything otherwise. Folders the test needs on the way
// must be open to others (a QTemporaryDir is 0700).
class UnprivilegedFileAccess
{
public:
    UnprivilegedFileAccess();
    ~UnprivilegedFileAccess();
    UnprivilegedFileAccess(const UnprivilegedFileAccess &) = delete;
    UnprivilegedFileAccess &operator=(const UnprivilegedFileAccess &) = delete;

private:
    bool m_dropped = false;
};

} // namespace lmrtest
