#include "ScenarioSupport.h"

#include "app/BusyIndicator.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "platform/FileManagerReveal.h"
#include "prefs/Preferences.h"

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
    QFile file(path);
    if (!file.open(QIODevice::Append)
        || !file.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesOld), QFileDevice::FileModificationTime))
        qWarning("could not date %s", qPrintable(path));
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

QPoint Window::itemPoint(const QString &name)
{
    ImageCollectionView *grid = m_app->thumbnailsCollectionView;
    for (qint64 i = 0; i < qint64(grid->itemCount()); ++i) {
        if (fileName(m_app->collectionViewItemForRepresentedObjectAtIndexPath(grid, i)) != name)
            continue;
        grid->scrollItemAtIndexToVisible(i);
        const QRectF image = grid->imageRectForItemRect(grid->itemRectForCellRect(grid->cellRectForItemIndex(quint64(i))));
        return image.center().toPoint() - QPoint(0, grid->verticalScrollBar()->value());
    }
    QTest::qFail(qPrintable(QStringLiteral("no item named %1 in the grid").arg(name)), __FILE__, __LINE__);
    return {-1, -1};
}

void Window::clickItem(const QString &name, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(m_app->thumbnailsCollectionView->viewport(), Qt::LeftButton, modifiers, itemPoint(name));
    settle();
}

void Window::doubleClickItem(const QString &name)
{
    clickItem(name);
    QTest::mouseDClick(m_app->thumbnailsCollectionView->viewport(), Qt::LeftButton, {}, itemPoint(name));
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
    for (const QString &title : titles) {
        const auto found = std::find_if(entries.begin(), entries.end(), [&title](QAction *entry) {
            return QString(entry->text()).remove(QLatin1Char('&')) == title;
        });
        if (found == entries.end())
            return false;
        if (!(*found)->menu()) {
            // Its menu validated its entries as it opened.
            if (!(*found)->isEnabled())
                return false;
            (*found)->trigger();
            settle();
            return true;
        }
        QMenu *menu = (*found)->menu();
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
    QTextDocument label;
    label.setHtml(m_app->fullSizeView->pathLabel()->text());
    return QFileInfo(label.toPlainText()).fileName();
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
    // The private home's Trash (the folders are on its file system): its info files name them.
    QStringList names;
    const QDir info(lmrtest::trashFolder() + QLatin1String("/info"));
    for (const QString &entry : info.entryList({QStringLiteral("*.trashinfo")}, QDir::Files)) {
        const QString text = QString::fromUtf8(lmrtest::readFile(info.filePath(entry)));
        const QRegularExpression pathLine(QStringLiteral("^Path=(.*)$"), QRegularExpression::MultilineOption);
        const QFileInfo path(QUrl::fromPercentEncoding(pathLine.match(text).captured(1).toUtf8()));
        if (path.absolutePath() == m_folder)
            names.append(path.fileName());
    }
    names.sort();
    return names;
}

bool Window::onDisk(const QString &name) const
{
    return QFileInfo::exists(m_folder + QLatin1Char('/') + name);
}

} // namespace scenario
