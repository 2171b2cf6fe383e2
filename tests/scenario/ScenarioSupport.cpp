#include "ScenarioSupport.h"

#include "app/BusyIndicator.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "platform/FileManagerReveal.h"
#include "prefs/Preferences.h"
#include "support/TestUtils.h"

#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>

#include <sys/time.h>

namespace scenario {
namespace {

QTemporaryDir &home()
{
    static QTemporaryDir dir(QDir::tempPath() + QLatin1String("/lumory-scenario-XXXXXX"));
    return dir;
}

// GLib reads these once, on its first use, so they are set before main. No session bus: the
// desktop the tests run under must not take part (file manager, portal, Trash service).
const bool privateHome = [] {
    for (const char *variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        const QString path = home().path() + QLatin1Char('/') + QLatin1String(variable);
        QDir().mkpath(path);
        qputenv(variable, QFile::encodeName(path));
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(home().path()) + "/no-bus");
    qputenv("LUMORY_APPEARANCE", "light");
    return true;
}();

void setModificationTime(const QString &path, int minutesOld)
{
    struct timeval times[2];
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= minutesOld * 60;
    times[1] = times[0];
    utimes(QFile::encodeName(path).constData(), times);
}

bool writeVideo(const QString &path)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return false;
    QProcess process;
    process.start(ffmpeg, {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=red:s=64x48:d=1",
                           "-c:v", "mpeg4", path});
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

QString plainText(const QString &richText)
{
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

QString fileName(const LMRImageItemPtr &item)
{
    return item ? QFileInfo(item->path()).fileName() : QString();
}

} // namespace

QList<File> everydayFiles()
{
    return {{"a.png", 30}, {"b.jpg", 10}, {"c.bmp", 50}, {"d.webp", 20}, {"e.tif", 40}, {"z.mp4", 60}};
}

Window::Window()
{
    Preferences::sharedInstance().clearForTesting();
    LMRFileManagerReveal::setHandlerForTesting([this](const QStringList &paths) {
        for (const QString &path : paths)
            m_revealed.append(QFileInfo(path).fileName());
    });
    m_app = std::make_unique<AppDelegate>();
    m_app->launch();
    m_app->window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_app->window))
        qWarning("the main window did not become active");
    settle();
}

Window::~Window()
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top != m_app->window && top->isVisible())
            top->close();
    m_app->applicationWillTerminate();
    m_app.reset();
    LMRFileManagerReveal::setHandlerForTesting({});
}

QString Window::makeFolder(const QList<File> &files)
{
    const QString folder = m_dir.filePath(QStringLiteral("folder%1").arg(++m_folders));
    int side = 40;
    for (const File &file : files) {
        const QString path = folder + QLatin1Char('/') + file.name;
        QDir().mkpath(folder);
        const bool written = file.name.endsWith(QLatin1String(".mp4")) ? writeVideo(path)
                                                                        : !lmrtest::writeImage(path, side, side * 3 / 4).isEmpty();
        if (!written)
            qWarning("could not write %s", qPrintable(path));
        side += 8;
        setModificationTime(path, file.minutesOld);
    }
    lmrtest::writeImage(folder + QLatin1String("/sub/sub.png"), 16, 12);
    return folder;
}

void Window::open(const QString &folder, int expectedCount)
{
    m_folder = folder;
    m_app->applicationOpenURLs({QUrl::fromLocalFile(folder)});
    const QString expected = QStringLiteral("%1 images").arg(expectedCount);
    QTRY_VERIFY2_WITH_TIMEOUT(countText() == expected && !busy(), qPrintable(countText() + (busy() ? " busy" : "")), 20000);
    settle();
}

void Window::settle()
{
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void Window::clickItem(const QString &name, Qt::KeyboardModifiers modifiers)
{
    ImageCollectionView *grid = m_app->thumbnailsCollectionView;
    for (qint64 i = 0; i < qint64(grid->itemCount()); ++i) {
        if (fileName(m_app->collectionViewItemForRepresentedObjectAtIndexPath(grid, i)) != name)
            continue;
        grid->scrollItemAtIndexToVisible(i);
        const QRectF image = grid->imageRectForItemRect(grid->itemRectForCellRect(grid->cellRectForItemIndex(quint64(i))));
        const QPoint point = image.center().toPoint() - QPoint(0, grid->verticalScrollBar()->value());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, point);
        settle();
        return;
    }
    QFAIL(qPrintable(QStringLiteral("no item named %1 in the grid").arg(name)));
}

void Window::doubleClickItem(const QString &name)
{
    clickItem(name);
    ImageCollectionView *grid = m_app->thumbnailsCollectionView;
    const qint64 index = grid->selection().firstIndex();
    const QRectF image = grid->imageRectForItemRect(grid->itemRectForCellRect(grid->cellRectForItemIndex(quint64(index))));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                       image.center().toPoint() - QPoint(0, grid->verticalScrollBar()->value()));
    settle();
}

void Window::press(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget();
    QTest::keyClick(target ? target : m_app->window.data(), Qt::Key(key), modifiers);
    settle();
}

bool Window::choose(const QString &menuPath)
{
    const QStringList titles = menuPath.split(QStringLiteral(" > "));
    QList<QAction *> entries = m_app->window->menuBar()->actions();
    QMenu *menu = nullptr;
    for (const QString &title : titles) {
        const auto found = std::find_if(entries.begin(), entries.end(), [&title](QAction *entry) {
            return QString(entry->text()).remove(QLatin1Char('&')) == title;
        });
        if (found == entries.end())
            return false;
        if (!(*found)->menu()) {
            // The menu opens (which validates its entries), the entry is picked and chosen.
            menu->popup(m_app->window->geometry().center());
            if (!QTest::qWaitForWindowExposed(menu))
                return false;
            if (!(*found)->isEnabled()) {
                menu->close();
                return false;
            }
            menu->setActiveAction(*found);
            QTest::keyClick(menu, Qt::Key_Return);
            settle();
            return true;
        }
        menu = (*found)->menu();
        emit menu->aboutToShow();
        entries = menu->actions();
    }
    return false;
}

void Window::dropOnGrid(const QStringList &paths)
{
    QWidget *target = m_app->thumbnailsCollectionView->viewport();
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    const QPointF point = target->rect().center();
    QDragEnterEvent enter(point.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(point, enter.dropAction(), &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
    settle();
}

bool Window::viewerShown() const
{
    return m_app->fullSizeView->isVisible() && !m_app->thumbnailsCollectionView->isVisible();
}

QString Window::viewerFile() const
{
    if (!m_app->fullSizeView->isVisible())
        return {};
    return QFileInfo(plainText(m_app->fullSizeView->pathLabel()->text())).fileName();
}

QStringList Window::selectedNames() const
{
    QStringList names;
    ImageCollectionView *grid = m_app->thumbnailsCollectionView;
    for (qint64 index : grid->selection())
        names.append(fileName(m_app->collectionViewItemForRepresentedObjectAtIndexPath(grid, index)));
    names.sort();
    return names;
}

QString Window::countText() const
{
    return m_app->thumbnailCountLabel->text();
}

bool Window::busy() const
{
    return m_app->thumbnailLoadingSpinner->isVisible();
}

QStringList Window::trashedNames() const
{
    // Whichever Trash the files went to under the private home: its info files name them.
    QStringList names;
    QDirIterator it(home().path(), {QStringLiteral("*.trashinfo")}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile info(it.next());
        if (!info.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (!line.startsWith("Path="))
                continue;
            const QString path = QUrl::fromPercentEncoding(line.mid(5).trimmed());
            if (QFileInfo(path).absolutePath() == m_folder)
                names.append(QFileInfo(path).fileName());
        }
    }
    names.sort();
    return names;
}

bool Window::onDisk(const QString &name) const
{
    return QFileInfo::exists(m_folder + QLatin1Char('/') + name);
}

} // namespace scenario
