// Another application for the real-input scenarios: a window that takes drops, a window that
// starts a drag of files, or a one-shot reader of the clipboard. It says what happened on its
// standard output, one line per event, so that the scenario can check what crossed between the
// two processes.
//
//   lumory-dnd-peer target X Y W H          prints "ready", then "drop ACTION URL..." per drop
//   lumory-dnd-peer source X Y W H FILE...  prints "ready", drags the files when pressed and
//                                            moved, then prints "dragged ACTION"
//   lumory-dnd-peer clipboard               prints the clipboard's text, escaped, and exits

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString actionName(Qt::DropAction action)
{
    switch (action) {
    case Qt::CopyAction: return QStringLiteral("copy");
    case Qt::MoveAction: return QStringLiteral("move");
    case Qt::LinkAction: return QStringLiteral("link");
    default: return QStringLiteral("none");
    }
}

class Peer : public QWidget
{
public:
    Peer(bool target, QList<QUrl> urls) : m_urls(std::move(urls))
    {
        setAcceptDrops(target);
        setWindowTitle(target ? QStringLiteral("drop target") : QStringLiteral("drag source"));
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, target ? Qt::darkGreen : Qt::darkBlue);
        setPalette(colours);
    }

protected:
    void showEvent(QShowEvent *) override
    {
        // Mapped and placed: only then can the pointer find the window.
        QTimer::singleShot(200, this, [] { say(QStringLiteral("ready")); });
    }
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        event->acceptProposedAction();
        QStringList line{QStringLiteral("drop"), actionName(event->dropAction())};
        for (const QUrl &url : event->mimeData()->urls())
            line << QString::fromLatin1(url.toEncoded());
        say(line.join(u' '));
    }
    void mousePressEvent(QMouseEvent *event) override { m_pressed = event->position().toPoint(); }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (m_urls.isEmpty() || !(event->buttons() & Qt::LeftButton)
            || (event->position().toPoint() - m_pressed).manhattanLength() < QApplication::startDragDistance())
            return;
        auto *data = new QMimeData;
        data->setUrls(m_urls);
        auto *drag = new QDrag(this);
        drag->setMimeData(data);
        // As a file manager offers its files: to be moved unless the user asks for a copy.
        say(QStringLiteral("dragged ") + actionName(drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction)));
    }

private:
    QList<QUrl> m_urls;
    QPoint m_pressed;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("clipboard")) {
        // Asked through the event loop: the owner answers the request while this one waits.
        QTimer::singleShot(0, [] {
            QString text = QApplication::clipboard()->text();
            say(text.replace(u'\\', QLatin1String("\\\\")).replace(u'\n', QLatin1String("\\n")));
            QApplication::quit();
        });
        return app.exec();
    }
    if ((mode != QLatin1String("target") && mode != QLatin1String("source")) || args.size() < 5)
        return 2;
    QList<QUrl> urls;
    for (const QString &file : args.mid(5))
        urls << QUrl::fromLocalFile(file);
    Peer peer(mode == QLatin1String("target"), urls);
    peer.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    peer.show();
    return app.exec();
}
